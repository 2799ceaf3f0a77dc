#pragma once
// The few file-system questions and removals that recording and undoing steps need; none of them raises.

#include <filesystem>
#include <string>

namespace installer {

bool is_directory(const std::wstring& path) noexcept;

// Whether something may be at `path`: true unless the system says that nothing is there. A path that cannot
// be asked about (access denied, an invalid name) counts as taken, so that nothing is written over it unseen.
bool is_taken(const std::wstring& path) noexcept;

// Deletes a file, read-only or not. True when it is gone (or never was).
bool remove_file(const std::wstring& path) noexcept;

// "C:\A\B\" names the folder "C:\A\B": the path without the separators after its last element. A root keeps
// its own separator.
std::filesystem::path without_trailing_separators(std::filesystem::path path);

// The folder that holds `path`: the path without its last element and without trailing separators.
std::wstring containing_folder(const std::wstring& path);

} // namespace installer
