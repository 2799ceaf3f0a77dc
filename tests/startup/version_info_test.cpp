#include "startup/version_info.hpp"

#include "startup/languages.hpp"
#include "startup/product.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

using namespace installer;
using test_support::beside_test;

namespace {

// The installer's own identity: the test programs carry the installer's resources.
void expect_installer_identity(const version_info& info)
{
    ASSERT_NE(info.size(), 0u);
    ASSERT_NE(info.fixed(), nullptr);
    EXPECT_EQ(info.fixed()->dwFileVersionMS, 0x00030000u);
    EXPECT_EQ(info.fixed()->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(info.fixed()->dwProductVersionMS, 0x00030000u);
    EXPECT_EQ(info.fixed()->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(info.fixed()->dwFileFlags, 0u);
    EXPECT_EQ(info.fixed()->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(info.packed_version(), pack_version(3, 0, 0, 1));
    EXPECT_EQ(info.translations(), std::vector<std::wstring>{L"040004b0"});
    EXPECT_EQ(info.string_value(L"ProductName"), L"Install");
    EXPECT_EQ(info.string_value(L"ProductVersion"), L"3.00");
    EXPECT_EQ(info.string_value(L"FileVersion"), L"3.0.0.1");
    EXPECT_EQ(info.string_value(L"FileDescription"), L"Installeur Tarvolith 7.12d");
    EXPECT_EQ(info.string_value(L"CompanyName"), L"Merov & Dudidivi");
    EXPECT_EQ(info.string_value(L"InternalName"), L"Install");
    EXPECT_EQ(info.string_value(L"OriginalFilename"), L"InstallTarvolith7.12d.exe");
    EXPECT_EQ(info.string_value(L"ApplicationId"), L"Tarvolith7");
    EXPECT_NE(info.string_value(L"LegalCopyright").find(L"Merov & Dudidivi"), std::wstring::npos);
    EXPECT_EQ(info.string_value(L"NoSuchValue"), L"");
    EXPECT_EQ(info.display_text(), L"Install 3.00");
}

class version_fixture : public ::testing::Test {
protected:
    void SetUp() override { set_language(language_english); }
    void TearDown() override { set_language(language_english); }
};

} // namespace

TEST_F(version_fixture, own_module)
{
    const version_info own;
    expect_installer_identity(own);
    // Every reader shares the one mapped block.
    const version_info again;
    EXPECT_EQ(again.data(), own.data());
}

TEST_F(version_fixture, installer_executable_on_disk)
{
    const version_info installer(beside_test(L"InstallTarvolith7.12d.exe"));
    expect_installer_identity(installer);
    const version_info own;
    EXPECT_NE(installer.data(), own.data());  // a file's block is its own copy
}

TEST_F(version_fixture, only_unicode_translations_count)
{
    const version_info info(beside_test(L"fixture_version_translations.dll"));
    EXPECT_EQ(info.translations(), std::vector<std::wstring>{L"040c04b0"});
    EXPECT_EQ(info.string_value(L"ProductName"), L"Tarvolith");
    EXPECT_EQ(info.display_text(), L"Tarvolith 7.12d");
    EXPECT_EQ(info.packed_version(), product_version);
}

TEST_F(version_fixture, no_unicode_translation_gives_empty_strings)
{
    const version_info info(beside_test(L"fixture_version_ansi_only.dll"));
    EXPECT_NE(info.fixed(), nullptr);
    EXPECT_EQ(info.packed_version(), product_version);
    EXPECT_TRUE(info.translations().empty());
    EXPECT_EQ(info.string_value(L"ProductName"), L"");
    EXPECT_EQ(info.display_text(), L"");
}

TEST_F(version_fixture, prerelease_spelling_follows_the_language)
{
    const version_info info(beside_test(L"fixture_version_prerelease.dll"));
    EXPECT_EQ(info.packed_version(), pack_version(7, 13, 0, 2));
    EXPECT_EQ(info.display_text(), L"Tarvolith 7.13 beta 2");
    set_language(language_french);
    EXPECT_EQ(info.display_text(), L"Tarvolith 7.13 b\u00EAta 2");
    set_language(2);  // German
    EXPECT_EQ(info.display_text(), L"Tarvolith 7.13 beta 2");
}

TEST_F(version_fixture, private_and_debug_marks)
{
    const version_info info(beside_test(L"fixture_version_private_debug.dll"));
    EXPECT_EQ(info.display_text(), L"Tarvolith 7.12d beta beta \u2013 Private \u2013 Debug");
}

TEST_F(version_fixture, flags_outside_the_mask_are_ignored)
{
    const version_info info(beside_test(L"fixture_version_masked_flags.dll"));
    EXPECT_EQ(info.display_text(), L"Tarvolith 7.12d b\u00EAta");
}

TEST_F(version_fixture, installed_program_text)
{
    const version_info info(beside_test(L"fixture_version_older.dll"));
    EXPECT_EQ(info.display_text(), L"Tarvolith 7.11c");
    EXPECT_LT(info.packed_version(), product_version);
}

TEST_F(version_fixture, files_without_version_information)
{
    for (const wchar_t* name : {L"fixture_no_version.dll", L"no such file.dll"}) {
        const version_info info(beside_test(name));
        EXPECT_EQ(info.size(), 0u) << name;
        EXPECT_EQ(info.fixed(), nullptr) << name;
        EXPECT_EQ(info.packed_version(), 0u) << name;
        EXPECT_TRUE(info.translations().empty()) << name;
        EXPECT_EQ(info.string_value(L"ProductName"), L"") << name;
        EXPECT_EQ(info.display_text(), L"") << name;
    }
}
