#pragma once
// One recorded change of an installation, as the uninstaller undoes it.

#include <cstdint>
#include <string>
#include <utility>

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
    log_record() = default;
    // The fields that the log file holds, and the backup; the run-only fields start empty.
    log_record(record_kind kind_, std::wstring path_, std::wstring backup_path_, bool done_, std::int32_t tag_)
        : kind(kind_), path(std::move(path_)), backup_path(std::move(backup_path_)), done(done_), tag(tag_)
    {
    }

    record_kind kind = record_kind::created_folder;
    std::wstring path;         // empty for the Uninstall key and the file associations
    std::wstring backup_path;  // what this record's object replaced; never written to the log file
    bool done = false;
    std::int32_t tag = -1;     // payload entry kind of an installed file; -1 for everything else

    // Known during the run only, never written to the log file:
    std::wstring backup_origin;  // where the backup goes back on a rollback (the earlier shortcut's own path)
    bool existed_before = false; // the record replaces something that was there before this run: a rollback
                                 // that has no backup to put back must leave it alone
};

// The text that the log file holds for a record.
std::wstring record_text(const log_record& record);

} // namespace installer
