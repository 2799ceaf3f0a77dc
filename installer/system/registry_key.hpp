#pragma once
// Registry keys and typed values. A missing key or value is an empty result, every other failure raises
// std::system_error with the Win32 error code in the system category.

#include "system/unique_any.hpp"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace mv {

struct registry_key_traits {
    using type = HKEY;
    static type invalid() noexcept { return nullptr; }
    // HKEY_CLASSES_ROOT to HKEY_CURRENT_USER_LOCAL_SETTINGS: shared by the whole process, never ours to close.
    static bool is_predefined(type key) noexcept;
    static void close(type key) noexcept;
};

// Owns one open key, or none. Move-only; the key is closed when the owner is destroyed.
class registry_key {
public:
    registry_key() noexcept = default;
    explicit registry_key(HKEY key) noexcept : key_(key) {}

    HKEY get() const noexcept { return key_.get(); }
    explicit operator bool() const noexcept { return static_cast<bool>(key_); }
    HKEY release() noexcept { return key_.release(); }
    void reset(HKEY key = nullptr) noexcept { key_.reset(key); }

private:
    unique_any<registry_key_traits> key_;
};

// Creates the key, or opens it when it exists, with the highest access allowed. Raises on any error.
registry_key create_key(const registry_key& parent, const std::wstring& name);
registry_key create_key(HKEY root, const std::wstring& name);

// Opens an existing key with the highest access allowed; an empty key when it does not exist.
registry_key open_key(const registry_key& parent, const std::wstring& name);
registry_key open_key(HKEY root, const std::wstring& name);

// Deletes the subkey `name` of `parent` with everything below it, in the helpers' registry view. True when
// it is gone (a subkey that was never there counts); never raises.
bool delete_key_tree(const registry_key& parent, const std::wstring& name) noexcept;

// A REG_SZ or REG_EXPAND_SZ value (not expanded). False when it is absent, of another type, of an odd size
// or not terminated by NUL; characters after an embedded NUL are kept.
bool get_string(const registry_key& key, const std::wstring& name, std::wstring& out);
// Writes REG_SZ with its terminating NUL.
void set_string(const registry_key& key, const std::wstring& name, const std::wstring& text);
// The bool forms never raise: one value that cannot be written must not stop the caller writing the others.
bool try_set_string(const registry_key& key, const std::wstring& name, const std::wstring& text) noexcept;
bool try_set_string(const registry_key& key, const std::wstring& name, const wchar_t* text,
                    std::size_t length) noexcept;

// A REG_DWORD value; none when absent or of another type. A REG_DWORD that is not 4 bytes long raises
// ERROR_INVALID_DATA.
std::optional<std::uint32_t> get_dword(const registry_key& key, const std::wstring& name);
bool try_set_dword(const registry_key& key, const std::wstring& name, std::uint32_t value) noexcept;

// Copies a REG_BINARY value of exactly `size` bytes into `buffer`; false when absent or of another type or
// size, and then `buffer` is untouched.
bool get_binary(const registry_key& key, const std::wstring& name, void* buffer, std::size_t size);
void set_binary(const registry_key& key, const std::wstring& name, const void* data, std::size_t size);

} // namespace mv
