#include "record/uninstall_log.hpp"

#include "record/file_operations.hpp"
#include "system/scoped_privilege.hpp"

#include <windows.h>

#include <algorithm>
#include <filesystem>

namespace installer {

namespace {

log_record announced(record_kind kind, std::wstring path = {}, std::int32_t tag = -1)
{
    return log_record{kind, std::move(path), {}, false, tag};
}

} // namespace

log_record& uninstall_log::append(log_record record)
{
    pending = true;
    records.push_back(std::move(record));
    return records.back();
}

bool uninstall_log::create_folders(const std::wstring& path)
{
    // Recorded with a trailing separator, a level would be recorded twice.
    const std::filesystem::path folder = without_trailing_separators(path);
    if (folder.empty())
        return false;
    if (::GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES)
        return is_directory(folder.wstring());
    const std::filesystem::path parent = folder.parent_path();
    if (parent != folder && parent.has_relative_path() && !create_folders(parent.wstring()))
        return false;
    ::CreateDirectoryW(folder.c_str(), nullptr);
    if (!is_directory(folder.wstring()))
        return false;
    records.push_back(log_record{record_kind::created_folder, folder.wstring(), {}, true, -1});
    return true;
}

void uninstall_log::add_file(const std::wstring& path, std::int32_t tag, bool copy_backup)
{
    create_folders(std::filesystem::path(path).parent_path().wstring());
    log_record record = announced(record_kind::installed_file, path, tag);
    if (is_taken(path))
        keep_previous(record, path, copy_backup);
    append(std::move(record));
}

void uninstall_log::add_shortcut(bool desktop, const std::wstring& folder)
{
    create_folders(folder);
    const record_kind kind = desktop ? record_kind::desktop_shortcut : record_kind::start_menu_shortcut;
    log_record record = announced(kind);
    const auto earlier = std::find_if(earlier_records.begin(), earlier_records.end(),
                                      [kind](const log_record& r) { return r.kind == kind; });
    if (earlier != earlier_records.end() && !earlier->path.empty() && is_taken(earlier->path))
        keep_previous(record, earlier->path, false);
    append(std::move(record));
}

void uninstall_log::add_uninstall_key(const mv::registry_key& key)
{
    log_record& record = append(announced(record_kind::uninstall_key));
    if (!key)
        return;
    // Whether or not it can be saved, the key was there before: a rollback must not delete it.
    record.existed_before = true;
    record.backup_path = make_backup({}, false);
    if (record.backup_path.empty())
        return;
    const mv::scoped_privilege backup(L"SeBackupPrivilege");
    if (::RegSaveKeyW(key.get(), record.backup_path.c_str(), nullptr) != ERROR_SUCCESS) {
        remove_file(record.backup_path);
        record.backup_path.clear();
    }
}

void uninstall_log::add_file_associations()
{
    append(announced(record_kind::file_associations));
}

void uninstall_log::add_directx_update()
{
    append(announced(record_kind::directx_update));
}

void uninstall_log::commit(bool ok, const std::wstring& path)
{
    if (!pending)
        return;
    pending = false;
    if (records.empty())
        return;
    records.back().done = ok;
    if (!path.empty())
        records.back().path = path;
}

} // namespace installer
