#include "engine/temp_names.hpp"

#include <windows.h>

#include <filesystem>
#include <system_error>

namespace installer {

namespace {

bool exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

[[noreturn]] void raise(std::error_code code, const std::wstring& path = {})
{
    throw std::filesystem::filesystem_error("temp_directory_path", std::filesystem::path(path), code);
}

} // namespace

std::wstring temp_directory()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0)
        raise(std::error_code(static_cast<int>(::GetLastError()), std::system_category()));
    if (length > MAX_PATH)
        raise(std::error_code(ERROR_BUFFER_OVERFLOW, std::system_category()));
    const std::wstring folder(buffer, length);
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        raise(std::make_error_code(std::errc::not_a_directory), folder);
    return folder;
}

std::wstring unique_temp_path(const std::wstring& folder, std::mt19937& generator)
{
    static constexpr wchar_t digits[] = L"0123456789abcdef";
    std::uniform_int_distribution<int> digit(0, 15);
    const std::filesystem::path base(folder);
    for (;;) {
        std::wstring name = L"mv-";
        for (int i = 0; i < 5; ++i)
            name += digits[digit(generator)];
        name += L".tmp";
        std::wstring path = (base / name).wstring();
        if (!exists(path))
            return path;
    }
}

std::wstring unique_temp_path()
{
    // Seeded once: names drawn later in the run continue the same sequence instead of repeating it.
    static std::mt19937 generator{std::random_device{}()};
    return unique_temp_path(temp_directory(), generator);
}

} // namespace installer
