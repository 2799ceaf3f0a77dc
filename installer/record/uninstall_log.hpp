#pragma once
// The record of everything an installation changed, and its file "Uninstall.ulog", which the product's
// uninstaller reads to undo the installation and the next installer reads to find the earlier one.

#include "record/log_record.hpp"

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

    std::wstring install_folder;     // from the earlier file, when that folder still exists
    std::wstring start_menu_folder;  // likewise
    bool has_desktop_shortcut = true;
    std::list<log_record> earlier_records;
    std::list<log_record> records;   // this installation's, in the order the steps ran
    bool pending = false;            // an added record awaits its commit
    std::wstring earlier_title;      // product title of the earlier file's Install line

private:
    void merge_earlier_records();
    void write(const std::wstring& path, const std::wstring& install_folder,
               const std::wstring& start_menu_folder) const;
    void delete_backups() noexcept;
};

} // namespace installer
