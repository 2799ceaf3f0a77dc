#pragma once
// Removing the uninstaller's own executable while it runs. Windows refuses to delete a running program's
// file but lets it be renamed: it is moved to the temporary folder, so that its folder can go at once, and
// deleted there, or when the system next starts if it is still in use.

#include <string>

namespace product {

// True when nothing is left at `path`. The file is deleted at once when it can be, else moved aside and its
// deletion scheduled; when it cannot be moved either, its own deletion is scheduled and false returned.
bool remove_running_program(const std::wstring& path) noexcept;

} // namespace product
