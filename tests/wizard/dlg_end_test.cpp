#include "page_fixture.hpp"
#include "resources/dialog_ids.h"
#include "wizard/dlg_end.hpp"
#include "wizard/window_text.hpp"

#include <gtest/gtest.h>

#include <utility>

namespace {

using installer::dlg_end;
using installer::window_text;

class end_page : public test_support::page_fixture<dlg_end> {
protected:
    void SetUp() override { create(IDD_PAGE_END); }
};

TEST_F(end_page, controls_sit_where_the_template_puts_them)
{
    EXPECT_FALSE(::IsWindowVisible(page));
    RECT client{};
    ::GetClientRect(page, &client);
    const RECT size = dialog_units(0, 0, 242, 56);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
    const RECT result = place(IDC_RESULT), status = place(IDC_STATUS);
    const RECT want_result = dialog_units(7, 7, 228, 27), want_status = dialog_units(7, 41, 228, 8);
    EXPECT_TRUE(::EqualRect(&result, &want_result));
    EXPECT_TRUE(::EqualRect(&status, &want_status));
    EXPECT_EQ(::GetWindowLongPtrW(item(IDC_RESULT), GWL_STYLE) & (SS_TYPEMASK | SS_NOPREFIX), SS_LEFT | SS_NOPREFIX);
    EXPECT_EQ(::GetWindowLongPtrW(item(IDC_STATUS), GWL_STYLE) & (SS_TYPEMASK | SS_NOPREFIX), SS_SIMPLE | SS_NOPREFIX);
}

TEST_F(end_page, result_is_empty_until_shown)
{
    auto& end = dlg_end::instance();
    end.update_texts();
    EXPECT_EQ(window_text(item(IDC_RESULT)), L"");
    EXPECT_EQ(window_text(item(IDC_STATUS)), L"Click on 'Exit' to exit Installation.");
    end.show_result();
    EXPECT_EQ(window_text(item(IDC_RESULT)), L"Installation is complete.");
}

TEST_F(end_page, texts_follow_the_language)
{
    installer::set_language(installer::language_french);
    auto& end = dlg_end::instance();
    end.update_texts();
    EXPECT_EQ(window_text(item(IDC_STATUS)), L"Cliquez sur 'Quitter' pour quitter l'installeur.");
    end.show_result();
    EXPECT_EQ(window_text(item(IDC_RESULT)), L"L'installation est termin\u00E9e.");
}

TEST_F(end_page, resizing_stretches_the_result_and_keeps_the_status_at_the_bottom)
{
    const RECT result = place(IDC_RESULT), status = place(IDC_STATUS);
    RECT client{};
    ::GetClientRect(page, &client);
    for (const auto& [dx, dy] : {std::pair{45L, 30L}, std::pair{-30L, -5L}}) {
        installer::set_window_rect(page, RECT{0, 0, client.right + dx, client.bottom + dy});
        const RECT new_result = place(IDC_RESULT), new_status = place(IDC_STATUS);
        const RECT want_result{result.left, result.top, result.right + dx, result.bottom + dy};
        const RECT want_status{status.left, status.top + dy, status.right + dx, status.bottom + dy};
        EXPECT_TRUE(::EqualRect(&new_result, &want_result)) << dx;
        EXPECT_TRUE(::EqualRect(&new_status, &want_status)) << dx;
    }
}

TEST_F(end_page, closing_the_host_unbinds_the_page)
{
    host.reset();
    EXPECT_EQ(dlg_end::instance().window(), nullptr);
}

} // namespace
