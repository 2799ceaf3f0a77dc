#pragma once
// The product's entry in the system's list of installed programs (its Add/Remove Programs key).

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace installer {

class install_context;
class uninstall_log;

struct registry_value {
    std::wstring name;
    DWORD type = REG_SZ;  // REG_SZ (text) or REG_DWORD (number)
    std::wstring text;
    std::uint32_t number = 0;
    bool required = false;  // the entry counts as written only when this value was
};

// The twelve values of the entry, in the order they are written.
std::vector<registry_value> uninstall_entry_values(const std::wstring& main_program_path,
                                                   const std::wstring& uninstaller_path, int language);

// Writes the entry into the product's key where `log` looks for it (uninstall_key_location), creating the
// key or, when it exists, recording it with a backup of its contents; values already in the key that are not
// among the twelve stay. True when the required values were written; then the record is done. False without
// a record when the Uninstall key itself is missing; false with the record left uncommitted when the key
// could not be opened, created or backed up. Raises only what does not derive from std::exception.
bool write_uninstall_entry(uninstall_log& log, const std::wstring& main_program_path,
                           const std::wstring& uninstaller_path, int language);

// The same for the installation: the context's log and the installer's current language.
bool write_uninstall_entry(install_context& context, const std::wstring& main_program_path,
                           const std::wstring& uninstaller_path);

} // namespace installer
