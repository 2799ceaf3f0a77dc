// The language chosen for users of various regional settings. Each suite runs in a Wine process of its
// own, started with the user's settings in LANG (see tests/CMakeLists.txt), so that the state is also
// seen as its first use builds it.

#include "startup/languages.hpp"
#include "startup/strings.hpp"

#include <gtest/gtest.h>

using namespace installer;

namespace {

// Languages offered at start: all but Danish, Bulgarian, Norwegian and Japanese.
constexpr std::uint32_t start_mask = 0x1BDEBF;

} // namespace

TEST(first_use, state_starts_french)
{
    const language_state& state = language_state::instance();
    EXPECT_EQ(state.index, language_french);
    EXPECT_EQ(state.available_mask, 1u);
    EXPECT_EQ(state.lcid, effective_lcid(language_french));
    EXPECT_EQ(state.resource_module, nullptr);
    EXPECT_FALSE(state.right_to_left);
    EXPECT_EQ(default_language(0), language_french);
    EXPECT_EQ(::GetThreadLocale(), effective_lcid(language_french));
    EXPECT_EQ(load_string(1000), L"Installeur");
}

TEST(english_user, gets_english)
{
    ASSERT_EQ(::GetUserDefaultLangID(), 0x0409);
    EXPECT_EQ(default_language(start_mask), language_english);
    EXPECT_EQ(effective_lcid(language_english), ::GetUserDefaultLCID());
    EXPECT_EQ(locale_name(language_english), "en-US");
}

TEST(german_user, gets_german)
{
    ASSERT_EQ(::GetUserDefaultLangID(), 0x0407);
    EXPECT_EQ(default_language(start_mask), 2);
    EXPECT_EQ(effective_lcid(2), 1031u);
    EXPECT_EQ(locale_name(2), "de-DE");  // the user's own settings
    EXPECT_EQ(locale_name(language_english), "en-US");
    set_language(default_language(start_mask));
    EXPECT_EQ(load_string(1006), L"Weiter");
}

TEST(danish_user, gets_english)
{
    ASSERT_EQ(::GetUserDefaultLangID(), 0x0406);
    EXPECT_EQ(default_language(start_mask), language_english);  // Danish is not offered at start
    EXPECT_EQ(default_language(0x40), 6);                        // where it is offered, Danish
    EXPECT_EQ(default_language(0x1), language_french);
}

TEST(chinese_taiwan_user, gets_english)
{
    ASSERT_EQ(::GetUserDefaultLangID(), 0x0404);
    EXPECT_EQ(default_language(start_mask), language_english);
}

TEST(chinese_singapore_user, gets_chinese_without_installer_texts)
{
    ASSERT_EQ(::GetUserDefaultLangID(), 0x1004);
    EXPECT_EQ(default_language(start_mask), 10);
    EXPECT_FALSE(has_installer_texts(10));
    set_language(10);
    EXPECT_EQ(load_string(1006), L"Next");
}

TEST(croatian_user, gets_serbian)
{
    ASSERT_EQ(::GetUserDefaultLangID(), 0x041A);
    EXPECT_EQ(default_language(start_mask), 20);
}
