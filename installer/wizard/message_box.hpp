#pragma once
// Message boxes that find their own owner, and the readable text of an error code.

#include <windows.h>

#include <string>

namespace installer {

// The root owner of the active window, else of the thread's first captioned top-level window, as its
// last active popup; null when the thread shows no such window.
HWND find_owner_window();

// MessageBoxW over find_owner_window() (enabled first), with the default icon of the button set, the
// reading order of the owner or of the user's language and, for a null or empty caption, the installer's
// product name and version. `text` and `caption` may each be a string resource id (MAKEINTRESOURCEW) or null.
int message_box(const wchar_t* text, const wchar_t* caption, UINT flags);
int message_box(const std::wstring& text, const wchar_t* caption, UINT flags);
int message_box(const std::wstring& text, const std::wstring& caption, UINT flags);

// The flags message_box shows a box of `owner` (null: none) with: default icon, reading order, no user icon.
UINT message_box_flags(HWND owner, UINT flags);

// error_text(code) in a box with the default caption and the exclamation icon.
int show_error_code(DWORD code);

} // namespace installer
