#include "engine/working_folder.hpp"

#include "system/unique_any.hpp"

#include <windows.h>
#include <bcrypt.h>

#include <boost/uuid/uuid.hpp>
#include <boost/uuid/uuid_io.hpp>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <system_error>

namespace installer {
namespace {

struct algorithm_traits {
    using type = BCRYPT_ALG_HANDLE;
    static type invalid() noexcept { return nullptr; }
    static void close(type h) noexcept { ::BCryptCloseAlgorithmProvider(h, 0); }
};

// Opened once per process.
BCRYPT_ALG_HANDLE random_provider()
{
    static mv::unique_any<algorithm_traits> provider;
    static std::once_flag once;
    std::call_once(once, [] {
        BCRYPT_ALG_HANDLE handle = nullptr;
        const NTSTATUS status = ::BCryptOpenAlgorithmProvider(&handle, BCRYPT_RNG_ALGORITHM, nullptr, 0);
        if (status < 0)
            throw std::system_error(static_cast<int>(status), std::system_category(), "BCryptOpenAlgorithmProvider");
        provider.reset(handle);
    });
    return provider.get();
}

} // namespace

std::array<std::uint8_t, 16> random_uuid_bytes()
{
    std::array<std::uint8_t, 16> bytes{};
    const NTSTATUS status = ::BCryptGenRandom(random_provider(), bytes.data(), static_cast<ULONG>(bytes.size()), 0);
    if (status < 0)
        throw std::system_error(static_cast<int>(status), std::system_category(), "BCryptGenRandom");
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    return bytes;
}

std::wstring working_folder_name()
{
    boost::uuids::uuid id;
    const auto bytes = random_uuid_bytes();
    std::copy(bytes.begin(), bytes.end(), id.begin());
    return L"merov_{" + boost::uuids::to_wstring(id) + L"}";
}

std::wstring operation_error_text(int value, const char* operation)
{
    char text[64] = {};
    std::snprintf(text, sizeof text, "%08x (%s)", static_cast<unsigned>(value), operation);
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

} // namespace installer
