#pragma once
// One recorded change of an installation, as the uninstaller undoes it.

#include <cstdint>
#include <string>

namespace installer {

enum class record_kind : std::int32_t {
    created_folder = 0,
    installed_file = 1,
    start_menu_shortcut = 2,
    reserved = 3,  // never produced; carried over when read
    desktop_shortcut = 4,
    uninstall_key = 5,
    file_associations = 6,
    directx_update = 7,
};

struct log_record {
    record_kind kind = record_kind::created_folder;
    std::wstring path;         // empty for the Uninstall key and the file associations
    std::wstring backup_path;  // what this record's object replaced; never written to the log file
    bool done = false;
    std::int32_t tag = -1;     // payload entry kind of an installed file; -1 for everything else
};

// The text that the log file holds for a record.
std::wstring record_text(const log_record& record);

} // namespace installer
