#pragma once
// Where the running program lives.

#include <string>

namespace installer {

// Full path of the running executable.
std::wstring executable_path();
// Its file name without the extension ("InstallTarvolith7.12d").
std::wstring executable_stem();

} // namespace installer
