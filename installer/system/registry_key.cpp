#include "system/registry_key.hpp"

#include <cstring>
#include <exception>
#include <limits>
#include <system_error>
#include <vector>

namespace mv {

namespace {

// The installer is a 32-bit process, so on 64-bit Windows its keys under HKLM\Software live in the 32-bit
// view. A 64-bit build of the same sources (the tests on machines without 32-bit support) must ask for that
// view explicitly to reach the same keys.
constexpr REGSAM registry_view = sizeof(void*) == 8 ? KEY_WOW64_32KEY : 0;

[[noreturn]] void raise(LSTATUS status, const char* operation)
{
    throw std::system_error(static_cast<int>(status), std::system_category(), operation);
}

void check(LSTATUS status, const char* operation)
{
    if (status != ERROR_SUCCESS)
        raise(status, operation);
}

DWORD byte_count(std::size_t size, const char* operation)
{
    if (size > std::numeric_limits<DWORD>::max())
        raise(ERROR_INVALID_PARAMETER, operation);
    return static_cast<DWORD>(size);
}

registry_key create(HKEY parent, const std::wstring& name)
{
    HKEY key = nullptr;
    check(::RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            MAXIMUM_ALLOWED | registry_view, nullptr, &key, nullptr),
          "RegCreateKeyExW");
    return registry_key(key);
}

registry_key open(HKEY parent, const std::wstring& name)
{
    HKEY key = nullptr;
    const LSTATUS status = ::RegOpenKeyExW(parent, name.c_str(), 0, MAXIMUM_ALLOWED | registry_view, &key);
    if (status == ERROR_FILE_NOT_FOUND)
        return {};
    check(status, "RegOpenKeyExW");
    return registry_key(key);
}

} // namespace

bool delete_key_tree(const registry_key& parent, const std::wstring& name) noexcept
{
    HKEY opened = nullptr;
    LSTATUS status = ::RegOpenKeyExW(parent.get(), name.c_str(), 0, MAXIMUM_ALLOWED | registry_view, &opened);
    if (status == ERROR_FILE_NOT_FOUND)
        return true;
    if (status != ERROR_SUCCESS)
        return false;
    {
        const registry_key key(opened);
        ::RegDeleteTreeW(key.get(), nullptr);  // empties it; the key itself goes below
    }
    status = ::RegDeleteKeyExW(parent.get(), name.c_str(), registry_view, 0);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

namespace {

struct value_info {
    DWORD type = REG_NONE;
    DWORD size = 0;
};

// Type and size of a value; none when it does not exist.
std::optional<value_info> query_info(const registry_key& key, const std::wstring& name)
{
    value_info info;
    const LSTATUS status = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &info.type, nullptr, &info.size);
    if (status == ERROR_FILE_NOT_FOUND)
        return std::nullopt;
    check(status, "RegQueryValueExW");
    return info;
}

// Reads at most `size` bytes and returns how many; a value that grew since it was measured raises
// (ERROR_MORE_DATA).
DWORD query_data(const registry_key& key, const std::wstring& name, void* buffer, DWORD size)
{
    DWORD read = size;
    check(::RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, static_cast<BYTE*>(buffer), &read),
          "RegQueryValueExW");
    return read;
}

void set_value(const registry_key& key, const std::wstring& name, DWORD type, const void* data, DWORD size)
{
    check(::RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
          "RegSetValueExW");
}

void set_string_bytes(const registry_key& key, const std::wstring& name, const wchar_t* text, std::size_t length)
{
    // The terminating NUL is stored with the text; an empty text is one NUL.
    std::vector<wchar_t> stored(text, text + length);
    stored.push_back(L'\0');
    const DWORD size = byte_count(stored.size() * sizeof(wchar_t), "RegSetValueExW");
    set_value(key, name, REG_SZ, stored.data(), size);
}

} // namespace

bool registry_key_traits::is_predefined(type key) noexcept
{
    // The roots are sign-extended 32-bit constants, so they compare the same way in both pointer widths.
    const auto value = reinterpret_cast<std::uintptr_t>(key);
    return value >= reinterpret_cast<std::uintptr_t>(HKEY_CLASSES_ROOT) &&
           value <= reinterpret_cast<std::uintptr_t>(HKEY_CURRENT_USER_LOCAL_SETTINGS);
}

void registry_key_traits::close(type key) noexcept
{
    if (!is_predefined(key))
        ::RegCloseKey(key);
}

registry_key create_key(const registry_key& parent, const std::wstring& name)
{
    return create(parent.get(), name);
}

registry_key create_key(HKEY root, const std::wstring& name)
{
    return create(root, name);
}

registry_key open_key(const registry_key& parent, const std::wstring& name)
{
    return open(parent.get(), name);
}

registry_key open_key(HKEY root, const std::wstring& name)
{
    return open(root, name);
}

bool get_string(const registry_key& key, const std::wstring& name, std::wstring& out)
{
    const std::optional<value_info> info = query_info(key, name);
    if (!info || (info->type != REG_SZ && info->type != REG_EXPAND_SZ) || info->size % sizeof(wchar_t) != 0)
        return false;
    if (info->size == 0) {
        out.clear();
        return true;
    }
    std::vector<wchar_t> text(info->size / sizeof(wchar_t), L'\0');
    query_data(key, name, text.data(), info->size);
    if (text.back() != L'\0')
        return false;
    out.assign(text.data(), text.size() - 1);
    return true;
}

void set_string(const registry_key& key, const std::wstring& name, const std::wstring& text)
{
    set_string_bytes(key, name, text.data(), text.size());
}

bool try_set_string(const registry_key& key, const std::wstring& name, const std::wstring& text) noexcept
{
    return try_set_string(key, name, text.data(), text.size());
}

bool try_set_string(const registry_key& key, const std::wstring& name, const wchar_t* text,
                    std::size_t length) noexcept
{
    try {
        set_string_bytes(key, name, text, length);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<std::uint32_t> get_dword(const registry_key& key, const std::wstring& name)
{
    const std::optional<value_info> info = query_info(key, name);
    if (!info || info->type != REG_DWORD)
        return std::nullopt;
    if (info->size != sizeof(std::uint32_t))
        raise(ERROR_INVALID_DATA, "RegQueryValueExW");
    std::uint32_t value = 0;
    if (query_data(key, name, &value, sizeof(value)) != sizeof(value))
        raise(ERROR_INVALID_DATA, "RegQueryValueExW");
    return value;
}

bool try_set_dword(const registry_key& key, const std::wstring& name, std::uint32_t value) noexcept
{
    try {
        set_value(key, name, REG_DWORD, &value, sizeof(value));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool get_binary(const registry_key& key, const std::wstring& name, void* buffer, std::size_t size)
{
    const std::optional<value_info> info = query_info(key, name);
    if (!info || info->type != REG_BINARY || info->size != size)
        return false;
    return query_data(key, name, buffer, info->size) == size;
}

void set_binary(const registry_key& key, const std::wstring& name, const void* data, std::size_t size)
{
    set_value(key, name, REG_BINARY, data, byte_count(size, "RegSetValueExW"));
}

} // namespace mv
