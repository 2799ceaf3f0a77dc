#pragma once
// The record of everything an installation changed, and its file "Uninstall.ulog", which the product's
// uninstaller reads to undo the installation and the next installer reads to find the earlier one.

#include "record/log_record.hpp"
#include "record/uninstall_key_location.hpp"
#include "system/registry_key.hpp"

#include <cstdint>
#include <list>
#include <string>

namespace installer {

class uninstall_log {
public:
    // Reads an earlier installation's file; an empty path only resets. Never fails outwards: a missing or
    // malformed file leaves what was read before the fault.
    void load(const std::wstring& path);

    // Writes the file (earlier records that nothing superseded first, then this installation's), and
    // deletes every backup file whatever the result. True when the file was written and closed.
    bool save(const std::wstring& path, const std::wstring& install_folder, const std::wstring& start_menu_folder);

    // Step recording. Every change is announced before it is made (an add operation, which keeps what the
    // change will replace) and reported after it (commit). Only the last record is ever committed.

    // Creates the missing levels of `path`, outermost first, and records each one it created. False when
    // the path is not a folder afterwards.
    bool create_folders(const std::wstring& path);
    // Announces a payload file (`tag`: its entry kind). Creates the missing folders; an existing file is
    // moved aside, or copied when `copy_backup` (or when it cannot be moved). An existing file that cannot
    // be kept raises std::filesystem::filesystem_error and nothing is recorded: it must not be overwritten.
    void add_file(const std::wstring& path, std::int32_t tag, bool copy_backup);
    // Announces a shortcut in `folder`; the earlier installation's shortcut of that kind is moved aside.
    // Raises, recording nothing, when that shortcut exists and cannot be kept.
    void add_shortcut(bool desktop, const std::wstring& folder);
    // Announces the Add/Remove Programs key; `key` is the product's existing key, which is saved to a
    // hive file, or empty when this run creates the key.
    void add_uninstall_key(const mv::registry_key& key = mv::registry_key());
    void add_file_associations();
    void add_directx_update();
    // Reports the last announced step; `path`, when not empty, becomes that record's path.
    void commit(bool ok, const std::wstring& path);

    // Moves (or with `copy` copies) the file to a fresh temporary name and returns that name, or empty when
    // that failed. An empty `path` only draws a name.
    static std::wstring make_backup(const std::wstring& path, bool copy);

    // Undoes this run's records, last first, and puts back what they replaced. A record that cannot be
    // undone (a folder that holds other files, a locked file, a denied deletion) is left as it is and the
    // others are still undone. Empties `records`.
    void rollback() noexcept;

    std::wstring install_folder;     // from the earlier file, when that folder still exists
    std::wstring start_menu_folder;  // likewise
    bool has_desktop_shortcut = true;
    std::list<log_record> earlier_records;
    std::list<log_record> records;   // this installation's, in the order the steps ran
    bool pending = false;            // an added record awaits its commit
    std::wstring earlier_title;      // product title of the earlier file's Install line
    registry_location uninstall_key_location = product_uninstall_key();  // where a rollback finds the key

private:
    void merge_earlier_records();
    void write(const std::wstring& path, const std::wstring& install_folder,
               const std::wstring& start_menu_folder) const;
    void delete_backups() noexcept;
    log_record& append(log_record record);
    static void keep_previous(log_record& record, const std::wstring& path, bool copy);
};

} // namespace installer
