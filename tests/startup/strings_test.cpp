#include "startup/strings.hpp"

#include "startup/languages.hpp"
#include "startup/product.hpp"
#include "startup/text_format.hpp"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

using namespace installer;

namespace {

// The slots that every block of texts holds.
std::vector<unsigned> text_slots()
{
    std::vector<unsigned> slots;
    for (unsigned n = 0; n <= 131; ++n)
        if (n != 9 && (n <= 18 || n >= 100) && n != 116 && n != 128 && n != 130)
            slots.push_back(n);
    return slots;
}

// Slots that a translated block leaves open ("#").
std::set<unsigned> open_slots(int index)
{
    switch (index) {
    case 2: case 3: case 4: case 7: case 11: return {131};  // German, Spanish, Portuguese, Turkish, Italian
    case 12: return {7};                                     // Czech
    default: return {};
    }
}

class strings : public ::testing::Test {
protected:
    void SetUp() override { set_language(language_english); }
    void TearDown() override { set_language(language_english); }
};

} // namespace

TEST_F(strings, every_block_holds_every_slot)
{
    EXPECT_EQ(text_slots().size(), 47u);
    for (int i = 0; i < language_count; ++i) {
        const unsigned first = language_first_string_id(i);
        for (unsigned n : text_slots()) {
            const std::wstring_view text = load_resource_string(first + n);
            EXPECT_FALSE(text.empty()) << "language " << i << " slot " << n;
            if (has_installer_texts(i)) {
                EXPECT_EQ(text == L"#", open_slots(i).count(n) == 1) << "language " << i << " slot " << n;
            }
        }
        // Nothing outside the slots.
        EXPECT_TRUE(load_resource_string(first + 9).empty()) << i;
        EXPECT_TRUE(load_resource_string(first + 132).empty()) << i;
    }
}

TEST_F(strings, translated_languages_show_their_own_texts)
{
    for (int i = 0; i < language_count; ++i) {
        if (!has_installer_texts(i) || i == language_english)
            continue;
        set_language(i);
        // Cancel and Next differ from English in every one of these languages.
        EXPECT_NE(load_string(1002), L"Cancel") << i;
        EXPECT_NE(load_string(1006), L"Next") << i;
        for (unsigned n : text_slots()) {
            const std::wstring text = load_string(1000 + n);
            EXPECT_FALSE(text.empty()) << i << " slot " << n;
            EXPECT_NE(text, L"#") << i << " slot " << n;
        }
    }
}

TEST_F(strings, english_and_french_texts_are_exact)
{
    EXPECT_EQ(load_string(1000), L"Installer");
    EXPECT_EQ(load_string(1014), L"Select Installation Langage");
    EXPECT_EQ(load_string(1110), L"Installation is not complete.\n\nDo you still confirm exit Installation ?");
    EXPECT_EQ(load_string(1115), L"Copying File \"%1%\"...");
    EXPECT_EQ(load_string(1131), L"Updating DirectX...");
    set_language(language_french);
    EXPECT_EQ(load_string(1000), L"Installeur");
    EXPECT_EQ(load_string(1003), L"\u00C0 propos de '%1%'");
    EXPECT_EQ(load_string(1012), L"\u00C9chec");
    EXPECT_EQ(load_string(1123), L"Dossier d'installation\u00A0: \"%1%\".");
    EXPECT_EQ(load_string(1110),
              L"L'installation n'est pas achev\u00E9e.\n\n\u00CAtes-vous certain de vouloir quitter l'installeur ?");
}

TEST_F(strings, open_slots_fall_back_to_english)
{
    set_language(12);  // Czech leaves the Install button open
    EXPECT_EQ(load_string(1007), L"Install");
    EXPECT_NE(load_string(1006), L"Next");
    set_language(2);  // German leaves the DirectX step open
    EXPECT_EQ(load_string(1131), L"Updating DirectX...");
    EXPECT_EQ(load_string(1006), L"Weiter");
}

TEST_F(strings, languages_without_texts_show_english)
{
    for (int i : {5, 6, 8, 10, 13, 14, 15, 16, 17, 18, 20}) {
        set_language(i);
        EXPECT_EQ(load_string(1100), L"'%1%' Installation.") << i;
        EXPECT_EQ(load_string(1129),
                  L"'%1%' will be installed in the selected Langage, but the Installer, still under translation, "
                  L"shall run in English.")
            << i;
    }
    // Hebrew stays current and reads right to left while its texts come out in English.
    set_language(language_hebrew);
    EXPECT_EQ(language_state::instance().index, language_hebrew);
    EXPECT_TRUE(language_state::instance().right_to_left);
    EXPECT_EQ(load_string(1001), L"OK");
}

TEST_F(strings, window_captions)
{
    EXPECT_EQ(window_caption(true), L"Installer \u2013 Tarvolith 7.12d");
    EXPECT_EQ(window_caption(false), L"Installer");
    set_language(language_french);
    EXPECT_EQ(window_caption(false), L"Installeur");
    EXPECT_EQ(window_caption(true), L"Installeur \u2013 Tarvolith 7.12d");
}

TEST_F(strings, ids_outside_the_slots)
{
    EXPECT_THROW(load_string(999), std::logic_error);
    EXPECT_THROW(load_string(2000), std::logic_error);
    EXPECT_EQ(load_string(1009), L"");  // a slot that no block holds: empty, no fallback
    EXPECT_TRUE(load_resource_string(0).empty());
    EXPECT_TRUE(load_resource_string(65535).empty());
}

TEST_F(strings, resources)
{
    EXPECT_FALSE(load_resource(RT_VERSION, MAKEINTRESOURCEW(1)).empty());
    EXPECT_FALSE(load_resource(RT_MANIFEST, MAKEINTRESOURCEW(1)).empty());
    EXPECT_TRUE(load_resource(MAKEINTRESOURCEW(9999), MAKEINTRESOURCEW(1)).empty());
    EXPECT_EQ(resource_module(), ::GetModuleHandleW(nullptr));

    // Texts missing from another resource module are taken from the executable.
    language_state::instance().resource_module = ::GetModuleHandleW(L"kernel32.dll");
    EXPECT_EQ(load_string(1004), L"Exit");
    EXPECT_FALSE(load_resource(RT_VERSION, MAKEINTRESOURCEW(1)).empty());
    language_state::instance().resource_module = nullptr;
}

TEST(text_format, positional_placeholders)
{
    EXPECT_EQ(format_text(L"Update from '%1%' to '%2%'.", L"Tarvolith 7.11c", L"Tarvolith 7.12d"),
              L"Update from 'Tarvolith 7.11c' to 'Tarvolith 7.12d'.");
    EXPECT_EQ(format_text(L"%2% before %1%", 1, 2), L"2 before 1");
    EXPECT_EQ(format_text(L" /update=%|1$016x|", pack_version(7, 11, 3, 0)), L" /update=0007000b00030000");
    // A translation with too few or too many placeholders still shows.
    EXPECT_EQ(format_text(L"'%1%' and '%2%'", L"a"), L"'a' and ''");
    EXPECT_EQ(format_text(L"no placeholder", L"a"), L"no placeholder");
    EXPECT_EQ(format_text(L"broken %|", L"a"), L"broken %|");
}
