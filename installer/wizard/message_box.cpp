#include "wizard/message_box.hpp"

#include "startup/languages.hpp"
#include "startup/module_path.hpp"
#include "startup/strings.hpp"
#include "startup/version_info.hpp"
#include "wizard/error_text.hpp"

#include <cstdint>

namespace installer {
namespace {

constexpr UINT icon_bits = MB_ICONMASK;
constexpr UINT button_bits = MB_TYPEMASK;
constexpr std::uint32_t all_languages = (1u << language_count) - 1;

bool captioned(HWND window)
{
    return (::GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
}

BOOL CALLBACK first_captioned_root(HWND window, LPARAM found)
{
    const HWND root = ::GetAncestor(window, GA_ROOTOWNER);
    if (root && captioned(root)) {
        *reinterpret_cast<HWND*>(found) = root;
        return FALSE;
    }
    return TRUE;
}

UINT default_icon(UINT flags)
{
    if (flags & icon_bits)
        return flags;
    switch (flags & button_bits) {
    case MB_OK:
    case MB_OKCANCEL:
        return flags | MB_ICONEXCLAMATION;
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return flags | MB_ICONQUESTION;
    default:
        return flags;
    }
}

bool right_to_left(HWND owner)
{
    if (owner)
        return (::GetWindowLongPtrW(owner, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
    return is_right_to_left(default_language(all_languages));
}

// A resource id, a text, or null (empty).
std::wstring text_of(const wchar_t* text)
{
    if (IS_INTRESOURCE(text))
        return text ? std::wstring(load_resource_string(LOWORD(reinterpret_cast<ULONG_PTR>(text)))) : std::wstring();
    return text;
}

std::wstring default_caption()
{
    std::wstring caption = version_info().display_text();
    return caption.empty() ? executable_stem() : caption;
}

} // namespace

HWND find_owner_window()
{
    HWND found = ::GetActiveWindow();
    if (found)
        found = ::GetAncestor(found, GA_ROOTOWNER);
    else
        ::EnumThreadWindows(::GetCurrentThreadId(), first_captioned_root, reinterpret_cast<LPARAM>(&found));
    return found ? ::GetLastActivePopup(found) : nullptr;
}

UINT message_box_flags(HWND owner, UINT flags)
{
    flags = default_icon(flags);
    if (right_to_left(owner))
        flags |= MB_RTLREADING;
    if ((flags & icon_bits) == MB_USERICON)
        flags &= ~icon_bits;
    return flags;
}

int message_box(const wchar_t* text, const wchar_t* caption, UINT flags)
{
    const HWND owner = find_owner_window();
    if (owner)
        ::EnableWindow(owner, TRUE);

    flags = message_box_flags(owner, flags);
    std::wstring caption_text = text_of(caption);
    if (caption_text.empty())
        caption_text = default_caption();
    const std::wstring body = text_of(text);
    return ::MessageBoxW(owner, body.c_str(), caption_text.c_str(), flags);
}

int message_box(const std::wstring& text, const wchar_t* caption, UINT flags)
{
    return message_box(text.c_str(), caption, flags);
}

int message_box(const std::wstring& text, const std::wstring& caption, UINT flags)
{
    return message_box(text.c_str(), caption.c_str(), flags);
}

int show_error_code(DWORD code)
{
    return message_box(error_text(code), nullptr, MB_ICONEXCLAMATION);
}

} // namespace installer
