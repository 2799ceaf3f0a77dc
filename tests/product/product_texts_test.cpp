// The product's text lookup in this process: the current language's module first, then the program's own
// tables, then English, for a missing module, a missing text or an untranslated slot.

#include "common/product_texts.hpp"
#include "product/product_fixture.hpp"
#include "startup/languages.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using namespace product_test;

class product_texts : public testing::Test {
protected:
    void speak(int index, product::language_module module = {})
    {
        installer::set_language(index);
        product::use_language_module(std::move(module));
    }

    saved_language saved;
    test_support::temp_folder folder;
};

TEST_F(product_texts, come_from_the_module_of_the_current_language)
{
    speak(2, product::open_language_module(test_support::beside_test(L""), 2));
    EXPECT_EQ(product::load_text(1009), L"Schließen");
    EXPECT_EQ(product::load_text(1007), L"Willkommen bei %1%.");
}

TEST_F(product_texts, untranslated_and_missing_slots_of_a_module_are_english)
{
    speak(2, product::language_module(test_support::beside_test(L"test_modules\\German.dll")));
    EXPECT_EQ(product::load_text(1009), L"Zumachen");
    EXPECT_EQ(product::load_text(1007), L"Welcome to %1%.");                          // "#"
    EXPECT_EQ(product::load_text(1010), L"Create a project or open one to begin.");  // missing
}

TEST_F(product_texts, english_ignores_a_module)
{
    speak(1, product::open_language_module(test_support::beside_test(L""), 0));
    EXPECT_EQ(product::load_text(1009), L"Close");
}

// The uninstaller has no module and speaks every language from its own tables, as this program does.
TEST_F(product_texts, without_a_module_come_from_the_programs_own_tables)
{
    speak(5);
    EXPECT_EQ(product::load_text(1009), L"Sluiten");
    speak(16);
    EXPECT_EQ(product::load_text(1009), L"סגור");
}

TEST_F(product_texts, a_language_without_texts_anywhere_is_english)
{
    speak(18);  // Japanese: neither a module nor a table
    EXPECT_EQ(product::load_text(1003), L"'%1%' was removed from this computer.");
}

TEST_F(product_texts, only_the_sixteen_slots_exist)
{
    EXPECT_THROW(product::load_text(999), std::logic_error);
    EXPECT_THROW(product::load_text(1016), std::logic_error);
    EXPECT_NO_THROW(product::load_text(1015));
}

TEST_F(product_texts, a_missing_module_is_empty)
{
    EXPECT_FALSE(product::open_language_module(folder.path(), 2));
    EXPECT_FALSE(product::language_module(folder / L"German.dll"));
    // English and the languages without a module look for no file at all.
    install_language_modules(folder.path());
    EXPECT_FALSE(product::open_language_module(folder.path(), 1));
    EXPECT_FALSE(product::open_language_module(folder.path(), 6));
    EXPECT_TRUE(product::open_language_module(folder.path(), 20));
}

TEST_F(product_texts, a_damaged_module_is_not_used)
{
    ::CreateDirectoryW((folder / L"Lang").c_str(), nullptr);
    test_support::write_bytes(folder / L"Lang\\German.dll", "MZ not a module");
    product::language_module damaged = product::open_language_module(folder.path(), 2);
    EXPECT_FALSE(damaged);
    speak(2, std::move(damaged));
    // The program's own German table (this program carries all of them) answers instead.
    EXPECT_EQ(product::load_text(1009), L"Schließen");
}

} // namespace
