#pragma once
// The value through which an installer finds the installed main program: its full path, under the maker's
// key of HKEY_LOCAL_MACHINE. Like the installer, the programs name no registry view, so a 32-bit program
// writes where a 32-bit installer reads.

#include <string>

namespace product {

// Raises std::system_error when the key or the value cannot be written (a user without the right to).
void write_installed_path(const std::wstring& program);

// Empty when the value is absent.
std::wstring read_installed_path();

// Removes the value when it names `program`, and then the maker's key when nothing else is left in it.
// True when no value naming `program` remains; a value naming another program stays and counts as done.
bool remove_installed_path(const std::wstring& program) noexcept;

} // namespace product
