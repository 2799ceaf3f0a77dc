#include "record/uninstall_log.hpp"

#include "engine/temp_names.hpp"

#include <windows.h>

#include <filesystem>
#include <system_error>

namespace installer {

namespace {

std::error_code last_error()
{
    return std::error_code(static_cast<int>(::GetLastError()), std::system_category());
}

// make_backup with the reason of a failure.
std::wstring backup_file(const std::wstring& path, bool copy, std::error_code& error)
{
    std::wstring name;
    try {
        name = unique_temp_path();
    } catch (const std::system_error& failure) {
        error = failure.code();
        return {};
    }
    if (path.empty())
        return name;
    // A rename fails across volumes and for a file that is open without delete sharing; a copy still keeps
    // the content, and the original stays where it is until the change replaces it.
    if (!copy && ::MoveFileExW(path.c_str(), name.c_str(), 0))
        return name;
    if (::CopyFileW(path.c_str(), name.c_str(), TRUE))
        return name;
    error = last_error();
    ::DeleteFileW(name.c_str());  // a partial copy; the name was free when it was drawn
    return {};
}

} // namespace

std::wstring uninstall_log::make_backup(const std::wstring& path, bool copy)
{
    std::error_code ignored;
    return backup_file(path, copy, ignored);
}

void uninstall_log::keep_previous(log_record& record, const std::wstring& path, bool copy)
{
    std::error_code error;
    record.backup_path = backup_file(path, copy, error);
    if (record.backup_path.empty())
        throw std::filesystem::filesystem_error("cannot keep the previous content", std::filesystem::path(path),
                                                error);
    record.backup_origin = path;
    record.existed_before = true;
}

} // namespace installer
