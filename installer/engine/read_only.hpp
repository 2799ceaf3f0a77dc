#pragma once
// The read-only attribute of installed files.

#include <string>

namespace installer {

// Sets or clears the read-only attribute of a file; through a symbolic link, that of the link's target.
// False on any failure.
bool set_read_only(const std::wstring& path, bool read_only) noexcept;

} // namespace installer
