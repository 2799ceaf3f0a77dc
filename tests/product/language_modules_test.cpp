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
#include <cstring>
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

// The names of the DLLs a PE file imports from, read from its import directory.
std::vector<std::string> imported_dlls(const std::string& image)
{
    auto at = [&](std::size_t offset, std::size_t size) {
        if (offset > image.size() || size > image.size() - offset)
            throw std::runtime_error("truncated image");
        return image.data() + offset;
    };
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, at(0, sizeof(dos)), sizeof(dos));
    const std::size_t nt = static_cast<std::size_t>(dos.e_lfanew);
    IMAGE_FILE_HEADER file;
    std::memcpy(&file, at(nt + 4, sizeof(file)), sizeof(file));
    const std::size_t optional = nt + 4 + sizeof(file);
    WORD magic;
    std::memcpy(&magic, at(optional, sizeof(magic)), sizeof(magic));
    const std::size_t directories = optional + (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
                                                    ? offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory)
                                                    : offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory));
    IMAGE_DATA_DIRECTORY imports;
    std::memcpy(&imports, at(directories + IMAGE_DIRECTORY_ENTRY_IMPORT * sizeof(imports), sizeof(imports)),
                sizeof(imports));
    std::vector<IMAGE_SECTION_HEADER> sections(file.NumberOfSections);
    std::memcpy(sections.data(), at(optional + file.SizeOfOptionalHeader, sections.size() * sizeof(IMAGE_SECTION_HEADER)),
                sections.size() * sizeof(IMAGE_SECTION_HEADER));
    auto file_offset = [&](DWORD rva) -> std::size_t {
        for (const IMAGE_SECTION_HEADER& section : sections)
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData)
                return rva - section.VirtualAddress + section.PointerToRawData;
        throw std::runtime_error("address outside the sections");
    };

    std::vector<std::string> names;
    if (imports.VirtualAddress == 0)
        return names;
    for (std::size_t entry = file_offset(imports.VirtualAddress);; entry += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR descriptor;
        std::memcpy(&descriptor, at(entry, sizeof(descriptor)), sizeof(descriptor));
        if (descriptor.Name == 0)
            return names;
        names.emplace_back(at(file_offset(descriptor.Name), 1));
    }
}

DWORD entry_point(const std::string& image)
{
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, image.data(), sizeof(dos));
    const std::size_t optional = static_cast<std::size_t>(dos.e_lfanew) + 4 + sizeof(IMAGE_FILE_HEADER);
    DWORD address;
    std::memcpy(&address, image.data() + optional + offsetof(IMAGE_OPTIONAL_HEADER32, AddressOfEntryPoint),
                sizeof(address));
    return address;
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
    for (const language_entry& language : language_modules) {
        const std::string image = test_support::read_bytes(built_module(language.name));
        ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER)) << language.name;
        EXPECT_EQ(imported_dlls(image), std::vector<std::string>{}) << language.name;
        EXPECT_EQ(entry_point(image), 0u) << language.name;
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
