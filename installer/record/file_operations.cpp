#include "record/file_operations.hpp"

#include <windows.h>

namespace installer {

namespace {

bool absent(DWORD error) noexcept
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

} // namespace

bool is_directory(const std::wstring& path) noexcept
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool is_taken(const std::wstring& path) noexcept
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES || !absent(::GetLastError());
}

bool remove_file(const std::wstring& path) noexcept
{
    if (path.empty())
        return true;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return absent(::GetLastError());
    // Backups of the main program and the uninstaller keep the read-only attribute that an earlier
    // installation gave them, and DeleteFileW refuses read-only files.
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        const DWORD writable = attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
        ::SetFileAttributesW(path.c_str(), writable ? writable : FILE_ATTRIBUTE_NORMAL);
    }
    return ::DeleteFileW(path.c_str()) || absent(::GetLastError());
}

std::filesystem::path without_trailing_separators(std::filesystem::path path)
{
    while (!path.has_filename() && path.has_relative_path())
        path = path.parent_path();
    return path;
}

std::wstring containing_folder(const std::wstring& path)
{
    return without_trailing_separators(without_trailing_separators(path).parent_path()).wstring();
}

} // namespace installer
