#include "wizard/dlg_install.hpp"

#include "resources/dialog_ids.h"
#include "startup/product.hpp"
#include "startup/strings.hpp"
#include "startup/text_format.hpp"

#include <commctrl.h>

namespace installer {
namespace {

constexpr wchar_t line_end[] = L"\r\n";
constexpr wchar_t rule = L'\u2500';
constexpr wchar_t no_break_space = L'\u00A0';

} // namespace

dlg_install& dlg_install::instance()
{
    static dlg_install page;
    return page;
}

void dlg_install::update_texts()
{
    ::SetDlgItemTextW(window(), IDC_STATUS, format_text(load_string(1108), load_string(1007)).c_str());
}

void dlg_install::on_init()
{
    // The bar shows only once the installation runs.
    ::SendDlgItemMessageW(window(), IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    ::ShowWindow(item(IDC_PROGRESS), SW_HIDE);
}

void dlg_install::on_size(std::uint16_t width, std::uint16_t height)
{
    resize_controls(width, height,
                    {
                        {control_anchor::grow_x | control_anchor::grow_y, item(IDC_LOG)},
                        {control_anchor::move_y | control_anchor::grow_x, item(IDC_PROGRESS)},
                        {control_anchor::move_y | control_anchor::grow_x, item(IDC_STATUS)},
                    });
}

void dlg_install::prepare_summary(const std::wstring& install_folder, bool start_menu_shortcut,
                                  bool desktop_shortcut)
{
    ::SetDlgItemTextW(window(), IDC_LOG,
                      installation_summary(install_folder, start_menu_shortcut, desktop_shortcut).c_str());
}

void dlg_install::append_log(const std::wstring& text)
{
    const HWND log = item(IDC_LOG);
    ::SendMessageW(log, EM_SETSEL, 0x7FFFFFFF, -1);
    ::SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    ::SendMessageW(log, EM_LINESCROLL, 0, 1);
}

std::wstring installation_summary(const std::wstring& install_folder, bool start_menu_shortcut,
                                  bool desktop_shortcut)
{
    std::wstring summary = format_text(load_string(1100), product_title(false)) + line_end;
    summary += std::wstring(3, rule) + no_break_space + load_string(1122) + no_break_space + std::wstring(29, rule) +
               line_end;
    summary += format_text(load_string(1123), install_folder) + line_end;
    if (start_menu_shortcut)
        summary += load_string(1124) + line_end;
    if (desktop_shortcut)
        summary += load_string(1125) + line_end;
    return summary;
}

} // namespace installer
