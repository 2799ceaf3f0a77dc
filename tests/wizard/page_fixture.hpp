#pragma once
// A page of the wizard created from its template inside a plain top-level test window, in English.

#include "startup/languages.hpp"
#include "support/test_window.hpp"
#include "wizard/basic_dialog.hpp"
#include "wizard/window_geometry.hpp"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace test_support {

template <typename Page>
class page_fixture : public ::testing::Test {
protected:
    static constexpr int host_width = 520;
    static constexpr int host_height = 300;

    page_fixture() : language_(installer::language_state::instance().index)
    {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
        installer::set_language(installer::language_english);
    }
    ~page_fixture() override { installer::set_language(language_); }

    void create(unsigned template_id)
    {
        host = make_host_window(host_width, host_height);
        ASSERT_TRUE(host);
        installer::create_dialog(template_id, host.get(), Page::instance());
        page = Page::instance().window();
        ASSERT_NE(page, nullptr);
    }

    // The page as the main window shows it: its texts set, filling its area, visible.
    void show()
    {
        Page::instance().update_texts();
        installer::set_window_rect(page, RECT{0, 0, host_width, host_height});
        ::ShowWindow(page, SW_SHOW);
        ::UpdateWindow(page);
    }

    HWND item(int id) const { return ::GetDlgItem(page, id); }

    // The control's rectangle in the page's client coordinates.
    RECT place(int id) const { return installer::window_rect_in_parent(item(id)); }

    // A rectangle in the page's dialog units, in pixels.
    RECT dialog_units(LONG left, LONG top, LONG width, LONG height) const
    {
        RECT rect{left, top, left + width, top + height};
        ::MapDialogRect(page, &rect);
        return rect;
    }

    mv::unique_window host;
    HWND page = nullptr;

private:
    int language_;
};

} // namespace test_support
