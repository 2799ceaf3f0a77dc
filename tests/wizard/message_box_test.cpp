#include "startup/strings.hpp"
#include "support/box_answerer.hpp"
#include "support/test_support.hpp"
#include "wizard/error_text.hpp"
#include "wizard/message_box.hpp"

#include <gtest/gtest.h>

namespace {

using installer::find_owner_window;
using installer::message_box;
using installer::message_box_flags;
using test_support::box_answerer;

const wchar_t* const window_class = L"message_box_test_window";

void register_class()
{
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = window_class;
        return ::RegisterClassW(&wc);
    }();
    ASSERT_NE(atom, 0);
}

mv::unique_window make_window(DWORD style, HWND owner = nullptr, DWORD ex_style = 0)
{
    register_class();
    return mv::unique_window(::CreateWindowExW(ex_style, window_class, L"owner", style, 10, 10, 300, 200, owner,
                                               nullptr, ::GetModuleHandleW(nullptr), nullptr));
}

HICON system_icon(const wchar_t* id)
{
    return ::LoadIconW(nullptr, id);
}

// One box with the given flags, answered with `button`; returns what it showed.
test_support::shown_box show(UINT flags, int button = IDOK, int* result = nullptr)
{
    box_answerer answerer(button);
    const int pressed = message_box(L"text", L"caption", flags);
    if (result)
        *result = pressed;
    EXPECT_EQ(answerer.boxes().size(), 1u);
    return answerer.boxes().empty() ? test_support::shown_box{} : answerer.boxes().front();
}

TEST(message_box, shows_the_default_icon_of_its_buttons)
{
    EXPECT_EQ(show(MB_OK).icon, system_icon(IDI_EXCLAMATION));
    EXPECT_EQ(show(MB_OKCANCEL).icon, system_icon(IDI_EXCLAMATION));
    EXPECT_EQ(show(MB_YESNO, IDYES).icon, system_icon(IDI_QUESTION));
    EXPECT_EQ(show(MB_YESNOCANCEL, IDCANCEL).icon, system_icon(IDI_QUESTION));
    EXPECT_EQ(show(MB_RETRYCANCEL, IDCANCEL).icon, nullptr);
    EXPECT_EQ(show(MB_ABORTRETRYIGNORE, IDABORT).icon, nullptr);
}

TEST(message_box, keeps_an_icon_the_caller_chose)
{
    EXPECT_EQ(show(MB_OK | MB_ICONINFORMATION).icon, system_icon(IDI_INFORMATION));
    EXPECT_EQ(show(MB_YESNO | MB_ICONERROR, IDNO).icon, system_icon(IDI_ERROR));
    // A plain box cannot show a user icon: it shows none rather than failing.
    EXPECT_EQ(show(MB_OK | MB_USERICON).icon, nullptr);
}

TEST(message_box, returns_the_button_pressed)
{
    int result = 0;
    show(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, IDNO, &result);
    EXPECT_EQ(result, IDNO);
    show(MB_RETRYCANCEL, IDRETRY, &result);
    EXPECT_EQ(result, IDRETRY);
}

TEST(message_box, flags_follow_the_button_set_and_the_owners_layout)
{
    EXPECT_EQ(message_box_flags(nullptr, MB_OK) & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(message_box_flags(nullptr, MB_YESNOCANCEL) & MB_ICONMASK, static_cast<UINT>(MB_ICONQUESTION));
    EXPECT_EQ(message_box_flags(nullptr, MB_CANCELTRYCONTINUE) & MB_ICONMASK, 0u);
    EXPECT_EQ(message_box_flags(nullptr, MB_USERICON | MB_DEFBUTTON2), static_cast<UINT>(MB_DEFBUTTON2));

    const auto left_to_right = make_window(WS_OVERLAPPEDWINDOW);
    const auto right_to_left = make_window(WS_OVERLAPPEDWINDOW, nullptr, WS_EX_LAYOUTRTL);
    ASSERT_TRUE(left_to_right && right_to_left);
    EXPECT_FALSE(message_box_flags(left_to_right.get(), MB_OK) & MB_RTLREADING);
    EXPECT_TRUE(message_box_flags(right_to_left.get(), MB_OK) & MB_RTLREADING);
}

// Without an owner the user's language decides; CTest runs these with a Hebrew and an English user.
TEST(user_language, hebrew_user_reads_boxes_without_owner_right_to_left)
{
    if (PRIMARYLANGID(::GetUserDefaultLangID()) != LANG_HEBREW)
        GTEST_SKIP() << "needs a Hebrew user (CTest entry wizard_hebrew_user)";
    EXPECT_TRUE(message_box_flags(nullptr, MB_OK) & MB_RTLREADING);
    const auto left_to_right = make_window(WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(left_to_right);
    EXPECT_FALSE(message_box_flags(left_to_right.get(), MB_OK) & MB_RTLREADING);
}

TEST(user_language, english_user_reads_boxes_without_owner_left_to_right)
{
    if (PRIMARYLANGID(::GetUserDefaultLangID()) != LANG_ENGLISH)
        GTEST_SKIP() << "needs an English user";
    EXPECT_FALSE(message_box_flags(nullptr, MB_OK) & MB_RTLREADING);
}

TEST(message_box, without_a_caption_shows_the_installers_name_and_version)
{
    box_answerer answerer(IDOK);
    message_box(L"one", nullptr, MB_OK);
    message_box(std::wstring(L"two"), std::wstring(), MB_OK);
    ASSERT_EQ(answerer.boxes().size(), 2u);
    for (const auto& box : answerer.boxes())
        EXPECT_EQ(box.caption, L"Install 3.00");
    EXPECT_EQ(answerer.boxes()[0].text, L"one");
    EXPECT_EQ(answerer.boxes()[1].text, L"two");
}

TEST(message_box, takes_texts_and_captions_from_string_resources)
{
    box_answerer answerer(IDOK);
    message_box(MAKEINTRESOURCEW(2013), MAKEINTRESOURCEW(2000), MB_OK);
    message_box(nullptr, L"caption", MB_OK);
    ASSERT_EQ(answerer.boxes().size(), 2u);
    EXPECT_EQ(answerer.boxes()[0].text, installer::load_resource_string(2013));
    EXPECT_EQ(answerer.boxes()[0].text, L"Error");
    EXPECT_EQ(answerer.boxes()[0].caption, L"Installer");
    EXPECT_EQ(answerer.boxes()[1].text, L"");
    EXPECT_EQ(answerer.boxes()[1].caption, L"caption");
}

TEST(message_box, re_enables_a_disabled_owner)
{
    const auto main_window = make_window(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ASSERT_TRUE(main_window);
    ::SetActiveWindow(main_window.get());
    ::EnableWindow(main_window.get(), FALSE);

    const auto box = show(MB_OK);
    EXPECT_EQ(box.owner, main_window.get());
    // The box disables its owner while it is up and re-enables it only when it found it enabled.
    EXPECT_TRUE(::IsWindowEnabled(main_window.get()));
}

TEST(message_box, error_code_box_has_the_default_caption_and_exclamation)
{
    box_answerer answerer(IDOK);
    installer::show_error_code(ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(answerer.boxes().size(), 1u);
    EXPECT_EQ(answerer.boxes()[0].caption, L"Install 3.00");
    EXPECT_EQ(answerer.boxes()[0].icon, system_icon(IDI_EXCLAMATION));
    EXPECT_EQ(answerer.boxes()[0].text, installer::system_error_text(ERROR_FILE_NOT_FOUND, 0));
}

TEST(find_owner_window, is_null_without_a_captioned_window)
{
    EXPECT_EQ(find_owner_window(), nullptr);
    const auto popup = make_window(WS_POPUP);  // hidden, so never active
    ASSERT_TRUE(popup);
    EXPECT_EQ(find_owner_window(), nullptr);
}

TEST(find_owner_window, takes_the_first_captioned_root_of_the_thread)
{
    const auto main_window = make_window(WS_OVERLAPPEDWINDOW);  // hidden: found by enumeration
    ASSERT_TRUE(main_window);
    const auto tool = make_window(WS_POPUP, main_window.get());
    ASSERT_TRUE(tool);
    ASSERT_EQ(::GetActiveWindow(), nullptr);
    EXPECT_EQ(find_owner_window(), main_window.get());
}

TEST(find_owner_window, prefers_the_last_active_popup_of_the_active_root)
{
    const auto main_window = make_window(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ASSERT_TRUE(main_window);
    const auto popup = make_window(WS_POPUP | WS_CAPTION | WS_VISIBLE, main_window.get());
    ASSERT_TRUE(popup);
    ::SetActiveWindow(popup.get());
    if (::GetActiveWindow() != popup.get())
        GTEST_SKIP() << "the window manager did not activate the popup";
    EXPECT_EQ(find_owner_window(), popup.get());

    const auto box = show(MB_OK);
    EXPECT_EQ(box.owner, popup.get());
}

} // namespace
