#pragma once
// Where the product's Add/Remove Programs key lives.

#include <windows.h>

#include <string>

namespace installer {

inline constexpr wchar_t uninstall_parent_key[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct registry_location {
    HKEY root = nullptr;
    std::wstring parent;  // below root
    std::wstring name;    // the subkey of parent

    // The subkey's path below root.
    std::wstring path() const { return parent + L"\\" + name; }
};

// HKEY_LOCAL_MACHINE, the Uninstall key, and the product's name as its subkey.
registry_location product_uninstall_key();

} // namespace installer
