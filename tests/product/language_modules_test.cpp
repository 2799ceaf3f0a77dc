// The product's language modules as built and installed: their names, that they are data only, their
// version resource and a complete table for their language that fits the English one.

#include "common/product_texts.hpp"
#include "product/product_fixture.hpp"
#include "startup/languages.hpp"
#include "startup/product.hpp"
#include "startup/strings.hpp"
#include "startup/version_info.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace product_test;

std::wstring english_text(unsigned slot)
{
    return std::wstring(installer::resource_string(::GetModuleHandleW(nullptr), 2000 + slot));
}

// The placeholders ("%1%") and line feeds of a text, in order: a translation keeps all of them.
std::vector<std::wstring> markers(const std::wstring& text)
{
    static const std::wregex marker(L"%[0-9]+%|\n");
    std::vector<std::wstring> found;
    for (std::wsregex_iterator at(text.begin(), text.end(), marker), end; at != end; ++at)
        found.push_back(at->str());
    std::sort(found.begin(), found.end());
    return found;
}

// A module mapped as an image resource is laid out as it would run; the handle's low bits only mark how it
// was mapped.
const BYTE* image_of(const product::language_module& module)
{
    return reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(module.handle()) & ~ULONG_PTR{3});
}

const IMAGE_NT_HEADERS* headers_of(const product::language_module& module)
{
    const BYTE* base = image_of(module);
    return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
}

// The names of the DLLs a mapped module imports from.
std::vector<std::string> imported_dlls(const product::language_module& module)
{
    const BYTE* base = image_of(module);
    const IMAGE_DATA_DIRECTORY& imports = headers_of(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<std::string> names;
    if (imports.VirtualAddress == 0)
        return names;
    for (const auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name != 0; ++entry)
        names.emplace_back(reinterpret_cast<const char*>(base + entry->Name));
    return names;
}

TEST(language_modules, are_built_beside_the_program_with_their_fixed_names_and_no_others)
{
    std::set<std::wstring> expected;
    for (const language_entry& language : language_modules) {
        expected.insert(std::wstring(language.name) + L".dll");
        EXPECT_EQ(product::language_module_file(language.index), std::wstring(language.name) + L".dll");
    }
    std::set<std::wstring> built;
    for (const auto& file : std::filesystem::directory_iterator(std::filesystem::path(built_module(L"French")).parent_path()))
        built.insert(file.path().filename().wstring());
    EXPECT_EQ(built, expected);
}

TEST(language_modules, english_and_the_languages_not_offered_have_none)
{
    for (const int index : {1, 6, 8, 13, 18, -1, 21})
        EXPECT_EQ(product::language_module_file(index), L"") << index;
}

TEST(language_modules, hold_no_code_and_import_nothing)
{
    // The main program, read the same way, does import: the reading sees imports where there are some.
    EXPECT_FALSE(imported_dlls(product::language_module(test_support::beside_test(L"Tarvolith.exe"))).empty());
    for (const language_entry& language : language_modules) {
        const product::language_module module(built_module(language.name));
        ASSERT_TRUE(module) << language.name;
        ASSERT_EQ(headers_of(module)->Signature, static_cast<DWORD>(IMAGE_NT_SIGNATURE)) << language.name;
        EXPECT_EQ(imported_dlls(module), std::vector<std::string>{}) << language.name;
        EXPECT_EQ(headers_of(module)->OptionalHeader.AddressOfEntryPoint, 0u) << language.name;
    }
}

TEST(language_modules, carry_the_product_version_and_name_their_language)
{
    for (const language_entry& language : language_modules) {
        const installer::version_info version(built_module(language.name));
        ASSERT_NE(version.fixed(), nullptr) << language.name;
        EXPECT_EQ(version.packed_version(), installer::product_version) << language.name;
        EXPECT_EQ(version.fixed()->dwFileType, static_cast<DWORD>(VFT_DLL)) << language.name;
        EXPECT_EQ(version.string_value(L"ProductName"), L"Tarvolith") << language.name;
        EXPECT_EQ(version.string_value(L"ProductVersion"), installer::display_version) << language.name;
        EXPECT_EQ(version.string_value(L"OriginalFilename"), std::wstring(language.name) + L".dll");
        EXPECT_NE(version.string_value(L"FileDescription").find(language.name), std::wstring::npos) << language.name;
        // Only the main program counts as a running instance of the application.
        EXPECT_EQ(version.string_value(L"ApplicationId"), L"") << language.name;
    }
}

TEST(language_modules, translate_every_slot_and_keep_the_placeholders_of_english)
{
    for (const language_entry& language : language_modules) {
        const product::language_module module(built_module(language.name));
        ASSERT_TRUE(module) << language.name;
        const unsigned first = installer::language_first_string_id(language.index);
        for (unsigned slot = 0; slot < product::text_slots; ++slot) {
            const std::wstring text(installer::resource_string(module.handle(), first + slot));
            EXPECT_FALSE(text.empty()) << language.name << " slot " << slot;
            EXPECT_NE(text, L"#") << language.name << " slot " << slot;
            EXPECT_EQ(markers(text), markers(english_text(slot))) << language.name << " slot " << slot;
        }
    }
}

// Each module holds its own language only, and the uninstaller's built-in tables (which this program
// carries too) are the same texts.
TEST(language_modules, hold_only_their_language_and_match_the_uninstallers_tables)
{
    for (const language_entry& language : language_modules) {
        const product::language_module module(built_module(language.name));
        ASSERT_TRUE(module) << language.name;
        for (int other = 0; other < installer::language_count; ++other) {
            const unsigned first = installer::language_first_string_id(other);
            for (unsigned slot = 0; slot < product::text_slots; ++slot) {
                const std::wstring_view text = installer::resource_string(module.handle(), first + slot);
                if (other != language.index)
                    EXPECT_TRUE(text.empty()) << language.name << " holds id " << first + slot;
                else
                    EXPECT_EQ(text, installer::resource_string(::GetModuleHandleW(nullptr), first + slot));
            }
        }
    }
}

// The main program carries English, complete, and no other language: those come from the modules.
TEST(language_modules, the_main_program_carries_english_only)
{
    const product::language_module program(test_support::beside_test(L"Tarvolith.exe"));
    ASSERT_TRUE(program);
    for (unsigned slot = 0; slot < product::text_slots; ++slot) {
        const std::wstring english(installer::resource_string(program.handle(), 2000 + slot));
        EXPECT_EQ(english, english_text(slot)) << slot;
        EXPECT_FALSE(english.empty()) << slot;
        EXPECT_NE(english, L"#") << slot;
        for (const language_entry& language : language_modules)
            EXPECT_TRUE(installer::resource_string(program.handle(),
                                                   installer::language_first_string_id(language.index) + slot)
                            .empty())
                << language.name << " slot " << slot;
    }
}

} // namespace
