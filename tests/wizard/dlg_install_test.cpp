#include "page_fixture.hpp"
#include "resources/dialog_ids.h"
#include "wizard/dlg_install.hpp"
#include "wizard/window_text.hpp"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using installer::dlg_install;
using installer::window_text;

const std::wstring heading = L"\u2500\u2500\u2500\u00A0Installation Options\u00A0" + std::wstring(29, L'\u2500') + L"\r\n";

class progress_page : public test_support::page_fixture<dlg_install> {
protected:
    void SetUp() override { create(IDD_PAGE_INSTALL); }

    std::wstring log() const { return window_text(item(IDC_LOG)); }
};

TEST_F(progress_page, controls_sit_where_the_template_puts_them)
{
    EXPECT_FALSE(::IsWindowVisible(page));
    EXPECT_EQ(::GetWindowLongPtrW(page, GWL_STYLE) & (WS_CHILD | DS_CONTROL), WS_CHILD | DS_CONTROL);
    RECT client{};
    ::GetClientRect(page, &client);
    const RECT size = dialog_units(0, 0, 219, 97);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
    const RECT log = place(IDC_LOG), bar = place(IDC_PROGRESS), status = place(IDC_STATUS);
    const RECT want_log = dialog_units(7, 7, 205, 54), want_bar = dialog_units(7, 67, 205, 10),
               want_status = dialog_units(7, 82, 205, 8);
    EXPECT_TRUE(::EqualRect(&log, &want_log));
    EXPECT_TRUE(::EqualRect(&bar, &want_bar));
    EXPECT_TRUE(::EqualRect(&status, &want_status));
}

TEST_F(progress_page, log_is_read_only_and_scrolls_both_ways)
{
    const LONG_PTR style = ::GetWindowLongPtrW(item(IDC_LOG), GWL_STYLE);
    const LONG_PTR wanted = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL;
    EXPECT_EQ(style & wanted, wanted);
    // The dialog manager draws a bordered edit with a sunken client edge instead.
    EXPECT_TRUE((style & WS_BORDER) || (::GetWindowLongPtrW(item(IDC_LOG), GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
}

TEST_F(progress_page, status_line_shortens_paths_in_the_middle_on_one_line)
{
    const LONG_PTR style = ::GetWindowLongPtrW(item(IDC_STATUS), GWL_STYLE);
    EXPECT_EQ(style & SS_TYPEMASK, SS_LEFTNOWORDWRAP);
    EXPECT_TRUE(style & SS_NOPREFIX);
    EXPECT_EQ(style & SS_ELLIPSISMASK, SS_PATHELLIPSIS);
}

TEST_F(progress_page, bar_is_hidden_and_counts_in_percent)
{
    ASSERT_NE(item(IDC_PROGRESS), nullptr);
    show();
    EXPECT_TRUE(::IsWindowVisible(item(IDC_LOG)));
    EXPECT_FALSE(::IsWindowVisible(item(IDC_PROGRESS)));
    PBRANGE range{};
    ::SendMessageW(item(IDC_PROGRESS), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 100);
}

TEST_F(progress_page, status_invites_to_install_in_the_current_language)
{
    dlg_install::instance().update_texts();
    EXPECT_EQ(window_text(item(IDC_STATUS)), L"Click on 'Install' to start Installation.");
    installer::set_language(installer::language_french);
    dlg_install::instance().update_texts();
    EXPECT_EQ(window_text(item(IDC_STATUS)), L"Cliquez sur 'Installer' pour d\u00E9marrer l'installation.");
}

TEST_F(progress_page, summary_lists_the_folder_and_the_chosen_shortcuts)
{
    const std::wstring title = L"'Tarvolith 7.12d' Installation.\r\n";
    const std::wstring folder = L"Installation Folder: \"C:\\Program Files\\Tarvolith 7\".\r\n";
    const std::wstring start_menu = L"Creating a Shortcut in the Start Menu.\r\n";
    const std::wstring desktop = L"Creating a Shortcut on the Desktop.\r\n";
    auto& install = dlg_install::instance();

    install.prepare_summary(L"C:\\Program Files\\Tarvolith 7", true, true);
    EXPECT_EQ(log(), title + heading + folder + start_menu + desktop);
    install.prepare_summary(L"C:\\Program Files\\Tarvolith 7", false, true);
    EXPECT_EQ(log(), title + heading + folder + desktop);
    install.prepare_summary(L"C:\\Program Files\\Tarvolith 7", true, false);
    EXPECT_EQ(log(), title + heading + folder + start_menu);
    install.prepare_summary(L"D:\\x", false, false);
    EXPECT_EQ(log(), title + heading + L"Installation Folder: \"D:\\x\".\r\n");
}

TEST_F(progress_page, summary_follows_the_language)
{
    installer::set_language(installer::language_french);
    dlg_install::instance().prepare_summary(L"C:\\T", false, true);
    EXPECT_EQ(log(), L"Installation de 'Tarvolith 7.12d'.\r\n\u2500\u2500\u2500\u00A0Options d'installation\u00A0" +
                         std::wstring(29, L'\u2500') +
                         L"\r\nDossier d'installation\u00A0: \"C:\\T\".\r\nCr\u00E9ation d'un raccourci sur le bureau.\r\n");
}

TEST_F(progress_page, a_folder_with_percent_signs_shows_as_it_is)
{
    dlg_install::instance().prepare_summary(L"C:\\100%1% sure", false, false);
    EXPECT_NE(log().find(L"\"C:\\100%1% sure\""), std::wstring::npos);
}

TEST_F(progress_page, log_lines_are_appended_at_the_end_whatever_the_selection)
{
    auto& install = dlg_install::instance();
    install.prepare_summary(L"C:\\T", false, false);
    const std::wstring summary = log();
    const std::wstring rule = std::wstring(45, L'\u2500') + L"\r\n";
    install.append_log(rule);
    install.append_log(L"Preparing Installation...");
    // A selection the user made at the start must not receive the text.
    ::SendMessageW(item(IDC_LOG), EM_SETSEL, 0, 5);
    install.append_log(L"OK\r\n");
    EXPECT_EQ(log(), summary + rule + L"Preparing Installation...OK\r\n");
}

TEST_F(progress_page, a_second_attempt_appends_below_the_first)
{
    auto& install = dlg_install::instance();
    install.prepare_summary(L"C:\\T", false, false);
    const std::wstring summary = log();
    const std::wstring rule = std::wstring(45, L'\u2500') + L"\r\n";
    for (const wchar_t* line : {L"Preparing Installation...", L"Failed\r\n"})
        install.append_log(line);
    install.append_log(rule);
    install.append_log(L"Preparing Installation...OK\r\n");
    EXPECT_EQ(log(), summary + L"Preparing Installation...Failed\r\n" + rule + L"Preparing Installation...OK\r\n");
}

TEST_F(progress_page, a_growing_log_keeps_its_newest_lines_in_view)
{
    show();
    auto& install = dlg_install::instance();
    install.prepare_summary(L"C:\\T", true, true);
    for (int i = 0; i < 60; ++i)
        install.append_log(L"Copying File \"C:\\T\\file" + std::to_wstring(i) + L".dat\"...OK\r\n");
    const HWND log_window = item(IDC_LOG);
    const auto lines = static_cast<int>(::SendMessageW(log_window, EM_GETLINECOUNT, 0, 0));
    const auto first = static_cast<int>(::SendMessageW(log_window, EM_GETFIRSTVISIBLELINE, 0, 0));
    EXPECT_GT(first, 0);
    // The last written line (the empty one after the final CR LF is last) is within the visible lines.
    RECT client{};
    ::GetClientRect(log_window, &client);
    const LRESULT last_char = ::SendMessageW(log_window, EM_LINEINDEX, lines - 2, 0);
    const LRESULT at = ::SendMessageW(log_window, EM_POSFROMCHAR, last_char, 0);
    EXPECT_GE(static_cast<short>(HIWORD(at)), 0);
    EXPECT_LT(static_cast<short>(HIWORD(at)), client.bottom);
}

TEST_F(progress_page, resizing_stretches_the_log_and_keeps_bar_and_status_at_the_bottom)
{
    const RECT log = place(IDC_LOG), bar = place(IDC_PROGRESS), status = place(IDC_STATUS);
    RECT client{};
    ::GetClientRect(page, &client);
    for (const auto& [dx, dy] : {std::pair{60L, 40L}, std::pair{-20L, -10L}}) {
        installer::set_window_rect(page, RECT{0, 0, client.right + dx, client.bottom + dy});
        const RECT new_log = place(IDC_LOG), new_bar = place(IDC_PROGRESS), new_status = place(IDC_STATUS);
        const RECT want_log{log.left, log.top, log.right + dx, log.bottom + dy};
        const RECT want_bar{bar.left, bar.top + dy, bar.right + dx, bar.bottom + dy};
        const RECT want_status{status.left, status.top + dy, status.right + dx, status.bottom + dy};
        EXPECT_TRUE(::EqualRect(&new_log, &want_log)) << dx;
        EXPECT_TRUE(::EqualRect(&new_bar, &want_bar)) << dx;
        EXPECT_TRUE(::EqualRect(&new_status, &want_status)) << dx;
    }
}

TEST_F(progress_page, closing_the_host_unbinds_the_page)
{
    host.reset();
    EXPECT_EQ(dlg_install::instance().window(), nullptr);
}

TEST(progress_page_objects, there_is_one_per_process)
{
    EXPECT_EQ(&dlg_install::instance(), &dlg_install::instance());
}

} // namespace
