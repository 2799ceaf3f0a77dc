#include "engine/file_crc32.hpp"

#include "engine/crc32.hpp"
#include "engine/file_failure.hpp"
#include "system/unique_any.hpp"

#include <windows.h>

#include <array>
#include <chrono>
#include <thread>

namespace installer {
namespace {

constexpr int sharing_retries = 3;

DWORD last_error() noexcept
{
    const DWORD error = ::GetLastError();
    return error != 0 ? error : ERROR_READ_FAULT;  // a failure must never read as success
}

struct read_result {
    std::uint32_t crc = 0;
    DWORD error = 0;  // of the failed open or read; 0 when the whole file was read
};

read_result read_crc(const std::wstring& path)
{
    mv::unique_file file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return {0, last_error()};
    std::array<char, 4096> block;
    crc32 crc;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &got, nullptr))
            return {0, last_error()};
        if (got == 0)
            return {crc.value(), 0};
        crc.update(block.data(), got);
    }
}

} // namespace

std::uint32_t file_crc32(const std::wstring& path)
{
    for (int retry = 0;; ++retry) {
        const read_result result = read_crc(path);
        if (result.error == 0)
            return result.crc;
        if (result.error != ERROR_SHARING_VIOLATION || retry == sharing_retries)
            throw file_failure("file_crc32", result.error);
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}

} // namespace installer
