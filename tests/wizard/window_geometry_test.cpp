#include "support/test_window.hpp"
#include "wizard/window_geometry.hpp"
#include "wizard/window_text.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

// Readable rectangles in failure messages.
inline std::ostream& operator<<(std::ostream& out, const RECT& r)
{
    return out << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

inline bool operator==(const RECT& a, const RECT& b)
{
    return ::EqualRect(&a, &b) != FALSE;
}

namespace {

using installer::fit_rect_to_monitors;
using installer::set_window_rect;
using installer::window_rect_in_parent;

RECT sized(LONG left, LONG top, LONG width, LONG height)
{
    return RECT{left, top, left + width, top + height};
}

TEST(window_rect_in_parent, is_in_screen_coordinates_for_a_top_level_window)
{
    auto host = test_support::make_host_window(200, 100);
    ASSERT_TRUE(host);
    RECT screen{};
    ::GetWindowRect(host.get(), &screen);
    EXPECT_EQ(window_rect_in_parent(host.get()), screen);
}

TEST(window_rect_in_parent, is_in_the_parents_client_coordinates_for_a_child)
{
    auto host = test_support::make_host_window(300, 200);
    ASSERT_TRUE(host);
    test_support::position_probe child(host.get(), sized(15, 25, 40, 30));
    EXPECT_EQ(window_rect_in_parent(child.get()), sized(15, 25, 40, 30));
}

TEST(window_rect_in_parent, keeps_left_before_right_in_a_mirrored_parent)
{
    auto host = test_support::make_host_window(300, 200, WS_EX_LAYOUTRTL);
    ASSERT_TRUE(host);
    test_support::position_probe child(host.get(), sized(15, 25, 40, 30));
    const RECT rect = window_rect_in_parent(child.get());
    // In a mirrored parent x counts from the right edge; the child was placed at 15 from there.
    EXPECT_EQ(rect, sized(15, 25, 40, 30));
}

TEST(set_window_rect, places_a_child_and_round_trips)
{
    auto host = test_support::make_host_window(300, 200);
    test_support::position_probe child(host.get(), sized(0, 0, 10, 10));
    set_window_rect(child.get(), sized(30, 40, 50, 60));
    EXPECT_EQ(window_rect_in_parent(child.get()), sized(30, 40, 50, 60));
}

TEST(set_window_rect, takes_reversed_corners_in_their_proper_order)
{
    auto host = test_support::make_host_window(300, 200);
    test_support::position_probe child(host.get(), sized(0, 0, 10, 10));
    set_window_rect(child.get(), RECT{80, 90, 30, 40});
    EXPECT_EQ(window_rect_in_parent(child.get()), RECT(30, 40, 80, 90));
    set_window_rect(child.get(), RECT{10, 70, 60, 20});
    EXPECT_EQ(window_rect_in_parent(child.get()), RECT(10, 20, 60, 70));
}

TEST(set_window_rect, asks_only_for_what_changes)
{
    auto host = test_support::make_host_window(300, 200);
    test_support::position_probe child(host.get(), sized(10, 10, 50, 50));
    const UINT always = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
    struct {
        RECT to;
        UINT present;
        UINT absent;
    } const steps[] = {
        {sized(10, 10, 70, 50), always | SWP_NOMOVE | SWP_NOCOPYBITS, SWP_NOSIZE},  // wider in place
        {sized(20, 30, 70, 50), always | SWP_NOSIZE, SWP_NOMOVE | SWP_NOCOPYBITS},  // moved, same size
        {sized(20, 30, 70, 50), always | SWP_NOMOVE | SWP_NOSIZE, SWP_NOCOPYBITS},  // unchanged
        {sized(5, 5, 10, 10), always | SWP_NOCOPYBITS, SWP_NOMOVE | SWP_NOSIZE},    // both
    };
    for (const auto& step : steps) {
        child.clear();
        set_window_rect(child.get(), step.to);
        ASSERT_EQ(child.flags().size(), 1u) << step.to;
        EXPECT_EQ(child.flags()[0] & step.present, step.present) << step.to;
        EXPECT_EQ(child.flags()[0] & step.absent, 0u) << step.to;
        EXPECT_EQ(window_rect_in_parent(child.get()), step.to);
    }
}

// The monitor of the screen's origin; the test server has exactly one.
class monitors : public ::testing::Test {
protected:
    void SetUp() override
    {
        info.cbSize = sizeof(info);
        ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info));
        if (::GetSystemMetrics(SM_CMONITORS) != 1)
            GTEST_SKIP() << "the expected places assume a single monitor";
        full = info.rcMonitor;
        work = info.rcWork;
    }

    RECT fitted(RECT rect)
    {
        fit_rect_to_monitors(rect);
        return rect;
    }

    MONITORINFO info{};
    RECT full{};
    RECT work{};
};

TEST_F(monitors, a_visible_rectangle_stays)
{
    const RECT inside = sized(work.left + 100, work.top + 80, 300, 200);
    EXPECT_EQ(fitted(inside), inside);
}

TEST_F(monitors, a_corner_off_every_monitor_is_pulled_onto_the_nearest_edge)
{
    // Up and left of the screen: the corner lands on the screen's corner, the whole rectangle is then visible.
    EXPECT_EQ(fitted(sized(full.left - 500, full.top - 400, 200, 150)), sized(full.left, full.top, 200, 150));
    // Left only: the vertical position is kept.
    EXPECT_EQ(fitted(sized(full.left - 50, full.top + 100, 200, 150)), sized(full.left, full.top + 100, 200, 150));
}

TEST_F(monitors, a_rectangle_at_least_half_visible_after_the_pull_stays_partly_off_screen)
{
    // Corner pulled onto the top edge; the rectangle then sticks out on the right by 40 %.
    const RECT pulled = sized(full.right - 120, full.top, 200, 150);
    EXPECT_EQ(fitted(sized(full.right - 120, full.top - 300, 200, 150)), pulled);
    // Exactly half visible is enough.
    const RECT half = sized(full.right - 100, full.top + 50, 200, 150);
    EXPECT_EQ(fitted(half), half);
    const RECT half_down = sized(full.left + 10, full.bottom - 75, 200, 150);
    EXPECT_EQ(fitted(half_down), half_down);
}

TEST_F(monitors, a_rectangle_less_than_half_visible_moves_into_the_work_area)
{
    EXPECT_EQ(fitted(sized(full.right - 99, work.top + 50, 200, 150)), sized(work.right - 200, work.top + 50, 200, 150));
    EXPECT_EQ(fitted(sized(work.left + 10, full.bottom - 74, 200, 150)),
              sized(work.left + 10, work.bottom - 150, 200, 150));
    // A corner right of and below the screen lands on its edges: nothing visible, so into the work area.
    EXPECT_EQ(fitted(sized(full.right + 700, full.bottom + 500, 200, 150)),
              sized(work.right - 200, work.bottom - 150, 200, 150));
}

TEST_F(monitors, a_rectangle_larger_than_the_work_area_keeps_its_top_left_corner_visible)
{
    const LONG width = work.right - work.left + 300;
    const LONG height = work.bottom - work.top + 200;
    const RECT result = fitted(sized(full.right - 10, full.bottom - 10, width, height));
    EXPECT_EQ(result, sized(work.left, work.top, width, height));
}

TEST_F(monitors, a_reversed_rectangle_is_fitted_as_its_proper_order)
{
    const RECT proper = sized(full.right - 99, work.top + 50, 200, 150);
    const RECT reversed{proper.right, proper.bottom, proper.left, proper.top};
    EXPECT_EQ(fitted(reversed), fitted(proper));
    EXPECT_EQ(fitted(reversed), sized(work.right - 200, work.top + 50, 200, 150));
}

TEST_F(monitors, an_empty_rectangle_keeps_its_place_on_the_screen)
{
    const RECT empty = sized(work.left + 20, work.top + 20, 0, 0);
    EXPECT_EQ(fitted(empty), empty);
}

TEST(window_text, reads_the_whole_text_however_long)
{
    auto host = test_support::make_host_window(200, 100);
    ASSERT_TRUE(host);
    std::wstring text(5000, L'x');
    text += L"\u00E9\u2500end";
    ::SetWindowTextW(host.get(), text.c_str());
    EXPECT_EQ(installer::window_text(host.get()), text);
    ::SetWindowTextW(host.get(), L"");
    EXPECT_EQ(installer::window_text(host.get()), L"");
}

TEST(window_text, is_empty_for_no_window)
{
    EXPECT_EQ(installer::window_text(nullptr), L"");
}

} // namespace
