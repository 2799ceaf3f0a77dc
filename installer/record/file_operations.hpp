#pragma once
// The few file-system questions and removals that recording and undoing steps need; none of them raises.

#include <string>

namespace installer {

bool is_directory(const std::wstring& path) noexcept;

// Whether something may be at `path`: true unless the system says that nothing is there. A path that cannot
// be asked about (access denied, an invalid name) counts as taken, so that nothing is written over it unseen.
bool is_taken(const std::wstring& path) noexcept;

// Deletes a file, read-only or not. True when it is gone (or never was).
bool remove_file(const std::wstring& path) noexcept;

} // namespace installer
