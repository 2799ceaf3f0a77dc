#include "main/main_window.hpp"

#include "common/product_texts.hpp"
#include "startup/languages.hpp"
#include "startup/product.hpp"
#include "startup/text_format.hpp"
#include "system/unique_any.hpp"

#include <windows.h>

#include <filesystem>

namespace product {

namespace {

struct window_state {
    std::wstring project_file;
    mv::unique_font heading_font;
};

// The dialog's font, larger and bold.
mv::unique_font heading_font_of(HWND window)
{
    LOGFONTW font{};
    const auto dialog_font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
    if (!dialog_font || !::GetObjectW(dialog_font, sizeof(font), &font))
        return {};
    font.lfHeight = font.lfHeight * 3 / 2;
    font.lfWeight = FW_BOLD;
    return mv::unique_font(::CreateFontIndirectW(&font));
}

// In a mirrored window the texts also read from right to left, so that punctuation and embedded Latin
// names (the product's title) land where a right-to-left reader expects them.
BOOL CALLBACK read_right_to_left(HWND control, LPARAM) noexcept
{
    ::SetWindowLongPtrW(control, GWL_EXSTYLE, ::GetWindowLongPtrW(control, GWL_EXSTYLE) | WS_EX_RTLREADING);
    return TRUE;
}

void fill(HWND window, window_state& state)
{
    if (installer::language_state::instance().right_to_left)
        ::EnumChildWindows(window, read_right_to_left, 0);
    using installer::format_text;
    ::SetWindowTextW(window, installer::product_title(false).c_str());
    ::SetDlgItemTextW(window, heading_control, format_text(load_text(1007), installer::product_title(false)).c_str());
    ::SetDlgItemTextW(window, version_control,
                      format_text(load_text(1008), installer::display_version, installer::numeric_version_text).c_str());
    const std::wstring body =
        state.project_file.empty()
            ? load_text(1010)
            : format_text(load_text(1011), std::filesystem::path(state.project_file).filename().wstring());
    ::SetDlgItemTextW(window, body_control, body.c_str());
    ::SetDlgItemTextW(window, IDCANCEL, load_text(1009).c_str());

    state.heading_font = heading_font_of(window);
    if (state.heading_font)
        ::SendDlgItemMessageW(window, heading_control, WM_SETFONT, reinterpret_cast<WPARAM>(state.heading_font.get()), FALSE);
}

INT_PTR CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        ::SetWindowLongPtrW(window, DWLP_USER, lparam);
        fill(window, *reinterpret_cast<window_state*>(lparam));
        return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        // One plain surface, as a document window has, rather than the grey of a dialog.
        ::SetBkMode(reinterpret_cast<HDC>(wparam), TRANSPARENT);
        return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_WINDOW));
    case WM_COMMAND:
        if (LOWORD(wparam) == IDCANCEL || LOWORD(wparam) == IDOK) {
            ::EndDialog(window, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

int run_main_window(const std::wstring& project_file)
{
    window_state state{project_file, {}};
    // A right-to-left language mirrors the window, so that its texts start at the right as they are read.
    if (installer::language_state::instance().right_to_left)
        ::SetProcessDefaultLayout(LAYOUT_RTL);
    const INT_PTR result = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(main_window_template),
                                             nullptr, window_procedure, reinterpret_cast<LPARAM>(&state));
    return result == -1 ? 1 : 0;
}

} // namespace product
