#include "record/uninstall_log.hpp"

#include "record/file_operations.hpp"
#include "record/same_path.hpp"
#include "system/scoped_privilege.hpp"

#include <windows.h>

namespace installer {

namespace {

// Deletes a file when the scope ends, however it ends.
class file_deleter {
public:
    explicit file_deleter(const std::wstring& path) noexcept : path_(path) {}
    ~file_deleter() { remove_file(path_); }
    file_deleter(const file_deleter&) = delete;
    file_deleter& operator=(const file_deleter&) = delete;

private:
    const std::wstring& path_;
};

// The backup replaces whatever the run left at `target` in one step: when that fails (a locked file), both
// stay as they are and the previous content is not lost. Across volumes the move copies.
void put_back(const std::wstring& backup, const std::wstring& target)
{
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
}

void undo_file(const log_record& record)
{
    if (record.backup_path.empty()) {
        if (!record.existed_before)
            remove_file(record.path);
        return;
    }
    // A new shortcut in another folder than the earlier one it replaced goes; the earlier one comes back.
    if (!record.path.empty() && !same_path(record.path, record.backup_origin))
        remove_file(record.path);
    put_back(record.backup_path, record.backup_origin);
}

void undo_uninstall_key(const log_record& record, const registry_location& location)
{
    const file_deleter hive(record.backup_path);  // of no use once this record is undone
    const mv::scoped_privilege restore(L"SeRestorePrivilege");
    const mv::registry_key parent = mv::open_key(location.root, location.parent);
    if (!parent)
        return;
    if (!record.backup_path.empty()) {
        const mv::registry_key key = mv::open_key(parent, location.name);
        if (key)
            ::RegRestoreKeyW(key.get(), record.backup_path.c_str(), 0);
    } else if (!record.existed_before) {
        ::RegDeleteTreeW(parent.get(), location.name.c_str());
    }
}

void undo(const log_record& record, const registry_location& location)
{
    switch (record.kind) {
    case record_kind::created_folder:
        ::RemoveDirectoryW(record.path.c_str());  // only when empty: other files in it stay, and so does it
        break;
    case record_kind::installed_file:
    case record_kind::start_menu_shortcut:
    case record_kind::reserved:
    case record_kind::desktop_shortcut:
    case record_kind::directx_update:
        undo_file(record);
        break;
    case record_kind::uninstall_key:
        undo_uninstall_key(record, location);
        break;
    case record_kind::file_associations:
        break;
    }
}

} // namespace

void uninstall_log::rollback() noexcept
{
    for (auto record = records.rbegin(); record != records.rend(); ++record) {
        try {
            undo(*record, uninstall_key_location);
        } catch (...) {
            // A record that cannot be undone must not keep the ones before it from being undone.
        }
    }
    records.clear();
}

} // namespace installer
