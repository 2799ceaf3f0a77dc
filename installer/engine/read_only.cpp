#include "engine/read_only.hpp"

#include "system/unique_any.hpp"

#include <windows.h>

namespace installer {

bool set_read_only(const std::wstring& path, bool read_only) noexcept
{
    // Opened by handle, so that a symbolic link leads to its target.
    mv::unique_file file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file)
        return false;
    FILE_BASIC_INFO info{};
    if (!::GetFileInformationByHandleEx(file.get(), FileBasicInfo, &info, sizeof(info)))
        return false;
    DWORD attributes = read_only ? info.FileAttributes | FILE_ATTRIBUTE_READONLY
                                 : info.FileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    if (attributes == info.FileAttributes)
        return true;
    if (attributes == 0)
        attributes = FILE_ATTRIBUTE_NORMAL;  // 0 would mean "leave the attributes as they are"
    FILE_BASIC_INFO change{};                // zero times are left unchanged
    change.FileAttributes = attributes;
    return ::SetFileInformationByHandle(file.get(), FileBasicInfo, &change, sizeof(change)) != FALSE;
}

} // namespace installer
