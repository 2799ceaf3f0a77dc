#pragma once
// Owners for handles of C APIs: each closes its resource exactly once, on every path.

#include <windows.h>

#include <utility>

namespace mv {

// Traits name the handle type, its "no resource" value and how it is released.
template <typename Traits>
class unique_any {
public:
    using value_type = typename Traits::type;

    unique_any() noexcept = default;
    explicit unique_any(value_type value) noexcept : value_(value) {}
    ~unique_any() { reset(); }

    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;

    value_type get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::invalid(); }

    value_type release() noexcept { return std::exchange(value_, Traits::invalid()); }
    void reset(value_type value = Traits::invalid()) noexcept
    {
        value_type old = std::exchange(value_, value);
        if (old != Traits::invalid())
            Traits::close(old);
    }
    // For APIs that return the handle through an out parameter.
    value_type* put() noexcept
    {
        reset();
        return &value_;
    }

private:
    value_type value_ = Traits::invalid();
};

// Traits of a handle that is null when there is none and released by one function.
template <typename T, auto Release>
struct null_handle_traits {
    using type = T;
    static type invalid() noexcept { return nullptr; }
    static void close(type h) noexcept { Release(h); }
};

using handle_traits = null_handle_traits<HANDLE, &::CloseHandle>;
using module_traits = null_handle_traits<HMODULE, &::FreeLibrary>;
using window_traits = null_handle_traits<HWND, &::DestroyWindow>;
using hook_traits = null_handle_traits<HHOOK, &::UnhookWindowsHookEx>;
using icon_traits = null_handle_traits<HICON, &::DestroyIcon>;

// CreateFileW and friends report failure as INVALID_HANDLE_VALUE, not null.
struct file_handle_traits {
    using type = HANDLE;
    static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type h) noexcept { ::CloseHandle(h); }
};

// Ending a batch of deferred window positions applies it; a batch the system dropped is released instead.
using deferred_positions_traits = null_handle_traits<HDWP, &::EndDeferWindowPos>;

// DeleteObject takes any GDI object; the owner keeps the font's own type.
struct font_traits {
    using type = HFONT;
    static type invalid() noexcept { return nullptr; }
    static void close(type h) noexcept { ::DeleteObject(h); }
};

using unique_handle = unique_any<handle_traits>;
using unique_file = unique_any<file_handle_traits>;
using unique_module = unique_any<module_traits>;
using unique_window = unique_any<window_traits>;
using unique_hook = unique_any<hook_traits>;
using unique_icon = unique_any<icon_traits>;
using unique_deferred_positions = unique_any<deferred_positions_traits>;
using unique_font = unique_any<font_traits>;

} // namespace mv
