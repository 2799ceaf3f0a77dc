#include "startup/languages.hpp"

#include <gtest/gtest.h>

#include <locale>
#include <stdexcept>

using namespace installer;

namespace {

class languages : public ::testing::Test {
protected:
    void SetUp() override { set_language(language_english); }
    void TearDown() override { set_language(language_english); }
};

} // namespace

TEST_F(languages, table)
{
    EXPECT_EQ(language_lcid(0), 1036u);
    EXPECT_EQ(language_lcid(3), 3082u);
    EXPECT_EQ(language_lcid(10), 2052u);
    EXPECT_EQ(language_lcid(20), 2074u);
    EXPECT_EQ(language_first_string_id(5), 7000u);   // Dutch's block follows Italian's
    EXPECT_EQ(language_first_string_id(10), 10000u);
    EXPECT_EQ(language_first_string_id(11), 6000u);
    for (int bad : {-1, 21, 1000}) {
        EXPECT_THROW(language_lcid(bad), std::logic_error);
        EXPECT_THROW(set_language(bad), std::logic_error);
        EXPECT_FALSE(has_installer_texts(bad));
    }
    EXPECT_EQ(language_state::instance().index, language_english);  // a refused index changes nothing

    std::vector<int> with_texts;
    for (int i = 0; i < language_count; ++i)
        if (has_installer_texts(i))
            with_texts.push_back(i);
    EXPECT_EQ(with_texts, (std::vector<int>{0, 1, 2, 3, 4, 7, 9, 11, 12, 19}));
}

TEST_F(languages, set_language_updates_the_state)
{
    language_state& state = language_state::instance();
    state.resource_module = ::GetModuleHandleW(L"kernel32.dll");
    set_language(2);
    EXPECT_EQ(state.index, 2);
    EXPECT_EQ(state.lcid, effective_lcid(2));
    EXPECT_EQ(state.resource_module, nullptr);  // taken again on next use
    EXPECT_FALSE(state.right_to_left);
}

TEST_F(languages, hebrew_reads_right_to_left)
{
    EXPECT_TRUE(is_right_to_left(language_hebrew));
    EXPECT_FALSE(is_right_to_left(language_english));
    EXPECT_FALSE(is_right_to_left(language_french));
    set_language(language_hebrew);
    EXPECT_TRUE(language_state::instance().right_to_left);
    set_language(language_english);
    EXPECT_FALSE(language_state::instance().right_to_left);
}

TEST_F(languages, effective_lcid_keeps_the_users_own_locale_only)
{
    const LCID user = ::GetUserDefaultLCID();
    for (int i = 0; i < language_count; ++i) {
        const LCID expected = LOWORD(user) == language_lcid(i) ? user : language_lcid(i);
        EXPECT_EQ(effective_lcid(i), expected) << i;
    }
}

TEST_F(languages, locale_names)
{
    const WORD user = PRIMARYLANGID(::GetUserDefaultLangID());
    const std::pair<int, const char*> expected[] = {
        {0, "fr-FR"}, {1, "en-US"}, {2, "de-DE"}, {3, "es-ES"}, {10, "zh-CN"}, {16, "he-IL"}};
    for (const auto& [index, name] : expected)
        if (PRIMARYLANGID(language_lcid(index)) != user) {
            EXPECT_EQ(locale_name(index), name) << index;
        }
}

// The C++ runtime here knows no named locale; every language must still be applied without an exception,
// leaving a usable default locale.
TEST_F(languages, every_language_applies)
{
    for (int i = 0; i < language_count; ++i) {
        EXPECT_NO_THROW(set_language(i)) << i;
        EXPECT_TRUE(std::has_facet<std::ctype<char>>(std::locale())) << i;
        EXPECT_TRUE(std::has_facet<std::collate<wchar_t>>(std::locale())) << i;
    }
}

TEST_F(languages, default_language_with_mask_zero_is_french)
{
    // The state's available mask holds French only.
    EXPECT_EQ(language_state::instance().available_mask, 1u);
    EXPECT_EQ(default_language(0), language_french);
}
