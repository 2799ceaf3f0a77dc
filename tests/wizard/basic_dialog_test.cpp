#include "resources/dialog_ids.h"
#include "support/box_answerer.hpp"
#include "support/test_window.hpp"
#include "wizard/basic_dialog.hpp"
#include "wizard/error_text.hpp"
#include "wizard/window_geometry.hpp"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace {

using installer::basic_dialog;
using installer::control_anchor;
using installer::create_dialog;
using installer::dialog_proc;
using installer::window_rect_in_parent;

constexpr unsigned modal_template = 9001;

// Records every call the dialog procedure makes, with the state the object had at that moment.
class recording_dialog final : public basic_dialog {
public:
    struct call {
        std::string name;
        HWND window;
        std::int32_t width;
        std::int32_t height;
    };

    std::vector<call> calls;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> sizes;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> commands;
    std::vector<unsigned> sys_commands;
    std::optional<INT_PTR> end_on_init;
    std::uint16_t handled_command = 0;
    unsigned handled_sys_command = 0;
    bool throw_on_command = false;

    using basic_dialog::resize_controls;

    void update_texts() override { record("update_texts"); }
    void on_init() override
    {
        record("on_init");
        if (end_on_init)
            ::EndDialog(window(), *end_on_init);
    }
    void on_destroy() override { record("on_destroy"); }
    void on_size(std::uint16_t width, std::uint16_t height) override
    {
        record("on_size");
        sizes.emplace_back(width, height);
    }
    void on_min_max_info(MINMAXINFO& info) override
    {
        record("on_min_max_info");
        info.ptMinTrackSize = POINT{321, 123};
    }
    bool on_command(std::uint16_t id, std::uint16_t code) override
    {
        record("on_command");
        commands.emplace_back(id, code);
        if (throw_on_command)
            throw std::system_error(ERROR_ACCESS_DENIED, std::system_category(), "command");
        return id == handled_command;
    }
    bool on_sys_command(unsigned command) override
    {
        record("on_sys_command");
        sys_commands.push_back(command);
        return command == handled_sys_command;
    }

    std::vector<std::string> names() const
    {
        std::vector<std::string> result;
        for (const auto& c : calls)
            result.push_back(c.name);
        return result;
    }

private:
    void record(const char* name) { calls.push_back({name, window(), width(), height()}); }
};

RECT client_rect(HWND window)
{
    RECT rect{};
    ::GetClientRect(window, &rect);
    return rect;
}

RECT offset(RECT rect, LONG left, LONG top, LONG right, LONG bottom)
{
    return RECT{rect.left + left, rect.top + top, rect.right + right, rect.bottom + bottom};
}

class bound_dialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = test_support::make_host_window(600, 400);
        ASSERT_TRUE(host);
        page = reinterpret_cast<HWND>(create_dialog(IDD_PAGE_END, host.get(), dialog));
        ASSERT_NE(page, nullptr);
    }

    recording_dialog dialog;
    mv::unique_window host;  // destroyed first: the page's last messages still reach the object
    HWND page = nullptr;
};

TEST_F(bound_dialog, init_binds_the_window_and_its_client_size_before_on_init)
{
    ASSERT_FALSE(dialog.calls.empty());
    // Sizes sent while the window was being made reach no object: on_init comes first.
    const auto& init = dialog.calls.front();
    EXPECT_EQ(init.name, "on_init");
    EXPECT_EQ(init.window, page);
    const RECT client = client_rect(page);
    EXPECT_GT(client.right, 0);
    EXPECT_EQ(init.width, client.right);
    EXPECT_EQ(init.height, client.bottom);
    EXPECT_EQ(dialog.window(), page);
    EXPECT_EQ(::GetWindowLongPtrW(page, DWLP_USER), reinterpret_cast<LONG_PTR>(&dialog));
    // The procedure never asks for texts: that is the main window's call.
    for (const auto& c : dialog.calls)
        EXPECT_NE(c.name, "update_texts");
}

TEST_F(bound_dialog, destroy_calls_on_destroy_while_bound_then_unbinds)
{
    ::DestroyWindow(page);
    ASSERT_FALSE(dialog.calls.empty());
    EXPECT_EQ(dialog.calls.back().name, "on_destroy");
    EXPECT_EQ(dialog.calls.back().window, page);
    EXPECT_EQ(dialog.window(), nullptr);
}

TEST_F(bound_dialog, nothing_reaches_the_object_after_destroy)
{
    EXPECT_EQ(dialog_proc(page, WM_DESTROY, 0, 0), TRUE);
    EXPECT_EQ(dialog.window(), nullptr);
    EXPECT_EQ(::GetWindowLongPtrW(page, DWLP_USER), 0);
    const std::size_t seen = dialog.calls.size();
    dialog.handled_command = 5;
    EXPECT_EQ(dialog_proc(page, WM_COMMAND, MAKEWPARAM(5, 0), 0), FALSE);
    EXPECT_EQ(dialog_proc(page, WM_SIZE, 0, MAKELPARAM(10, 10)), FALSE);
    EXPECT_EQ(dialog.calls.size(), seen);
}

TEST_F(bound_dialog, size_passes_the_new_client_size)
{
    dialog.sizes.clear();
    installer::set_window_rect(page, RECT{0, 0, 333, 222});
    ASSERT_FALSE(dialog.sizes.empty());
    EXPECT_EQ(dialog.sizes.back(), std::make_pair(std::uint16_t{333}, std::uint16_t{222}));
    EXPECT_EQ(dialog_proc(page, WM_SIZE, SIZE_RESTORED, MAKELPARAM(65535, 7)), TRUE);
    EXPECT_EQ(dialog.sizes.back(), std::make_pair(std::uint16_t{65535}, std::uint16_t{7}));
    EXPECT_EQ(::GetWindowLongPtrW(page, DWLP_MSGRESULT), 0);
}

TEST_F(bound_dialog, min_max_info_reaches_the_object)
{
    MINMAXINFO info{};
    EXPECT_EQ(dialog_proc(page, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info)), TRUE);
    EXPECT_EQ(info.ptMinTrackSize.x, 321);
    EXPECT_EQ(info.ptMinTrackSize.y, 123);
}

TEST_F(bound_dialog, commands_carry_id_and_code_and_unhandled_ones_go_to_the_system)
{
    dialog.handled_command = 7;
    ::SetWindowLongPtrW(page, DWLP_MSGRESULT, 99);
    EXPECT_EQ(dialog_proc(page, WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), 0), TRUE);
    EXPECT_EQ(::GetWindowLongPtrW(page, DWLP_MSGRESULT), 0);
    EXPECT_EQ(dialog_proc(page, WM_COMMAND, MAKEWPARAM(8, EN_CHANGE), 0), FALSE);
    ASSERT_EQ(dialog.commands.size(), 2u);
    EXPECT_EQ(dialog.commands[0], std::make_pair(std::uint16_t{7}, std::uint16_t{BN_CLICKED}));
    EXPECT_EQ(dialog.commands[1], std::make_pair(std::uint16_t{8}, std::uint16_t{EN_CHANGE}));
}

TEST_F(bound_dialog, system_commands_lose_their_low_four_bits)
{
    dialog.handled_sys_command = 16;
    EXPECT_EQ(dialog_proc(page, WM_SYSCOMMAND, 0x1F, 0), TRUE);
    EXPECT_EQ(dialog_proc(page, WM_SYSCOMMAND, SC_MOVE | 2, 0), FALSE);
    ASSERT_EQ(dialog.sys_commands.size(), 2u);
    EXPECT_EQ(dialog.sys_commands[0], 16u);
    EXPECT_EQ(dialog.sys_commands[1], unsigned{SC_MOVE});
}

TEST_F(bound_dialog, other_messages_are_left_to_the_system)
{
    const std::size_t seen = dialog.calls.size();
    EXPECT_EQ(dialog_proc(page, WM_TIMER, 1, 0), FALSE);
    EXPECT_EQ(dialog_proc(page, WM_NOTIFY, 0, 0), FALSE);
    EXPECT_EQ(dialog.calls.size(), seen);
}

TEST_F(bound_dialog, an_exception_is_shown_to_the_user_and_stops_at_the_procedure)
{
    dialog.throw_on_command = true;
    test_support::box_answerer answerer(IDOK);
    EXPECT_EQ(dialog_proc(page, WM_COMMAND, MAKEWPARAM(3, 0), 0), TRUE);
    ASSERT_EQ(answerer.boxes().size(), 1u);
    EXPECT_EQ(answerer.boxes()[0].text, installer::error_text(ERROR_ACCESS_DENIED));
    EXPECT_EQ(dialog.window(), page);
}

// A procedure that binds nothing, so the dialog's user slot stays empty.
INT_PTR CALLBACK unbound_proc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

TEST(dialog_proc, messages_for_a_window_without_object_are_not_handled)
{
    auto host = test_support::make_host_window(300, 200);
    ASSERT_TRUE(host);
    const HWND page = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PAGE_END), host.get(),
                                           unbound_proc, 0);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(dialog_proc(page, WM_SIZE, 0, MAKELPARAM(10, 10)), FALSE);
    EXPECT_EQ(dialog_proc(page, WM_COMMAND, MAKEWPARAM(1, 0), 0), FALSE);
    EXPECT_EQ(dialog_proc(page, WM_DESTROY, 0, 0), FALSE);
}

TEST(dialog_proc, an_object_that_goes_before_its_window_unbinds_it)
{
    auto host = test_support::make_host_window(300, 200);
    auto dialog = std::make_unique<recording_dialog>();
    const HWND page = reinterpret_cast<HWND>(create_dialog(IDD_PAGE_END, host.get(), *dialog));
    ASSERT_NE(page, nullptr);
    dialog.reset();
    EXPECT_EQ(::GetWindowLongPtrW(page, DWLP_USER), 0);
    EXPECT_EQ(dialog_proc(page, WM_COMMAND, MAKEWPARAM(1, 0), 0), FALSE);
    EXPECT_TRUE(::DestroyWindow(page));
}

TEST(create_dialog, without_parent_runs_modally_and_returns_the_result)
{
    recording_dialog dialog;
    dialog.end_on_init = 42;
    EXPECT_EQ(create_dialog(modal_template, nullptr, dialog), 42);
    const auto names = dialog.names();
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names.front(), "on_init");
    EXPECT_EQ(names.back(), "on_destroy");
    EXPECT_EQ(dialog.window(), nullptr);
    // The modal window had no owner.
    EXPECT_EQ(::GetWindow(dialog.calls.front().window, GW_OWNER), nullptr);
}

TEST(create_dialog, a_missing_template_leaves_the_object_unbound)
{
    recording_dialog dialog;
    auto host = test_support::make_host_window(300, 200);
    EXPECT_EQ(create_dialog(4242, host.get(), dialog), 0);
    EXPECT_EQ(create_dialog(4242, nullptr, dialog), -1);
    EXPECT_TRUE(dialog.calls.empty());
    EXPECT_EQ(dialog.window(), nullptr);
}

TEST(set_dialog_result, returns_values_of_messages_that_answer_directly)
{
    recording_dialog dialog;
    auto host = test_support::make_host_window(300, 200);
    const HWND page = reinterpret_cast<HWND>(create_dialog(IDD_PAGE_END, host.get(), dialog));
    ASSERT_NE(page, nullptr);
    for (UINT message : {WM_VKEYTOITEM, WM_CHARTOITEM, WM_QUERYDRAGICON, WM_COMPAREITEM, WM_INITDIALOG,
                         WM_CTLCOLORSTATIC, WM_CTLCOLOREDIT, WM_CTLCOLORDLG}) {
        ::SetWindowLongPtrW(page, DWLP_MSGRESULT, 5);
        EXPECT_EQ(installer::set_dialog_result(page, message, 77), 77) << message;
        EXPECT_EQ(::GetWindowLongPtrW(page, DWLP_MSGRESULT), 5) << message;
    }
    for (UINT message : {WM_COMMAND, WM_NOTIFY, WM_SIZE}) {
        EXPECT_EQ(installer::set_dialog_result(page, message, 77), TRUE) << message;
        EXPECT_EQ(::GetWindowLongPtrW(page, DWLP_MSGRESULT), 77) << message;
    }
}

// Children at known places inside a bound dialog, each anchored with one flag combination.
class anchored_controls : public bound_dialog {
protected:
    void SetUp() override
    {
        bound_dialog::SetUp();
        ASSERT_NE(page, nullptr);
        installer::set_window_rect(page, RECT{0, 0, 400, 300});
        for (int i = 0; i < 9; ++i)
            probes.emplace_back(page, RECT{10 + 20 * i, 10 + 15 * i, 50 + 20 * i, 30 + 15 * i});
        for (auto& probe : probes) {
            start.push_back(window_rect_in_parent(probe.get()));
            probe.clear();
        }
    }

    // Resizes the client area by (dx, dy) with one anchor per probe, flags in `flags` order.
    void resize_by(LONG dx, LONG dy)
    {
        std::vector<control_anchor> anchors;
        for (std::size_t i = 0; i < probes.size(); ++i)
            anchors.push_back({flags[i], probes[i].get()});
        dialog.resize_controls(dialog.width() + dx, dialog.height() + dy, anchors.data(), anchors.size());
    }

    void expect_placed(LONG dx, LONG dy)
    {
        const RECT expected[] = {
            start[0],                          // no flag
            offset(start[1], dx, 0, dx, 0),    // move_x
            offset(start[2], 0, dy, 0, dy),    // move_y
            offset(start[3], dx, dy, dx, dy),  // move_x + move_y
            offset(start[4], 0, 0, dx, 0),     // grow_x
            offset(start[5], 0, 0, 0, dy),     // grow_y
            offset(start[6], 0, dy, dx, dy),   // move_y + grow_x
            offset(start[7], 0, 0, dx, dy),    // grow_x + grow_y
            offset(start[8], dx, dy, 2 * dx, 2 * dy),  // all four
        };
        for (std::size_t i = 0; i < probes.size(); ++i) {
            const RECT now = window_rect_in_parent(probes[i].get());
            EXPECT_TRUE(::EqualRect(&now, &expected[i]))
                << "flags " << flags[i] << ": " << now.left << "," << now.top << "," << now.right << "," << now.bottom;
        }
    }

    const std::uint32_t flags[9] = {
        0,
        control_anchor::move_x,
        control_anchor::move_y,
        control_anchor::move_x | control_anchor::move_y,
        control_anchor::grow_x,
        control_anchor::grow_y,
        control_anchor::move_y | control_anchor::grow_x,
        control_anchor::grow_x | control_anchor::grow_y,
        control_anchor::move_x | control_anchor::move_y | control_anchor::grow_x | control_anchor::grow_y,
    };
    std::deque<test_support::position_probe> probes;
    std::vector<RECT> start;
};

TEST_F(anchored_controls, growing_moves_and_stretches_by_the_difference)
{
    const std::int32_t width = dialog.width();
    const std::int32_t height = dialog.height();
    resize_by(30, 20);
    expect_placed(30, 20);
    EXPECT_EQ(dialog.width(), width + 30);
    EXPECT_EQ(dialog.height(), height + 20);
}

TEST_F(anchored_controls, shrinking_moves_left_and_up_and_narrows)
{
    const std::int32_t width = dialog.width();
    resize_by(-12, -7);
    expect_placed(-12, -7);
    EXPECT_EQ(dialog.width(), width - 12);
}

TEST_F(anchored_controls, differences_follow_the_stored_size_not_the_window)
{
    resize_by(10, 10);
    resize_by(-25, 5);
    expect_placed(-15, 15);
}

TEST_F(anchored_controls, each_window_is_asked_for_what_its_flags_change_only)
{
    resize_by(30, 20);
    const UINT always = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS;
    const UINT expected[] = {
        SWP_NOMOVE | SWP_NOSIZE, SWP_NOSIZE, SWP_NOSIZE, SWP_NOSIZE, SWP_NOMOVE, SWP_NOMOVE, 0, SWP_NOMOVE, 0,
    };
    for (std::size_t i = 0; i < probes.size(); ++i) {
        // The entry without flags is still part of the batch, with nothing to move or size.
        ASSERT_EQ(probes[i].flags().size(), 1u) << "flags " << flags[i];
        const UINT got = probes[i].flags().front();
        EXPECT_EQ(got & (always | expected[i]), always | expected[i]) << "flags " << flags[i];
        EXPECT_EQ(got & (SWP_NOMOVE | SWP_NOSIZE) & ~expected[i], 0u) << "flags " << flags[i];
    }
}

TEST_F(anchored_controls, missing_and_foreign_windows_are_left_out_of_the_batch)
{
    test_support::position_probe foreign(host.get(), RECT{300, 300, 320, 320});
    const RECT foreign_start = window_rect_in_parent(foreign.get());
    foreign.clear();
    const control_anchor anchors[] = {
        {control_anchor::move_x, nullptr},
        {control_anchor::move_x, foreign.get()},
        {control_anchor::move_x, probes[1].get()},
    };
    dialog.resize_controls(dialog.width() + 40, dialog.height(), anchors, 3);
    const RECT moved = window_rect_in_parent(probes[1].get());
    const RECT expected = offset(start[1], 40, 0, 40, 0);
    EXPECT_TRUE(::EqualRect(&moved, &expected));
    const RECT foreign_now = window_rect_in_parent(foreign.get());
    EXPECT_TRUE(::EqualRect(&foreign_now, &foreign_start));
    EXPECT_TRUE(foreign.flags().empty());
}

TEST_F(anchored_controls, an_empty_list_only_records_the_size)
{
    dialog.resize_controls(500, 250, nullptr, 0);
    EXPECT_EQ(dialog.width(), 500);
    EXPECT_EQ(dialog.height(), 250);
    for (std::size_t i = 0; i < probes.size(); ++i)
        EXPECT_TRUE(probes[i].flags().empty());
}

} // namespace
