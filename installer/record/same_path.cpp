#include "record/same_path.hpp"

#include "system/unique_any.hpp"

#include <windows.h>

#include <filesystem>
#include <optional>

namespace installer {

namespace {

struct file_identity {
    DWORD volume;
    DWORD index_high;
    DWORD index_low;
    bool operator==(const file_identity&) const = default;
};

// Folders need backup semantics to be opened; no access right is asked, so a locked file still answers.
std::optional<file_identity> identity_of(const std::wstring& path)
{
    mv::unique_file file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !::GetFileInformationByHandle(file.get(), &info))
        return std::nullopt;
    return file_identity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

} // namespace

bool same_path(const std::wstring& a, const std::wstring& b)
{
    const std::filesystem::path first(a), second(b);
    if (first == second)
        return true;
    const auto first_identity = identity_of(a);
    const auto second_identity = identity_of(b);
    if (first_identity && second_identity)
        return *first_identity == *second_identity;
    return first.lexically_normal() == second.lexically_normal();
}

} // namespace installer
