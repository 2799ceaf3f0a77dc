// The installation context's checks in real processes: the probe runs them as the installer does, with
// the registry values an installed product leaves, and answers the boxes they show.

#include "record/uninstall_key_location.hpp"
#include "record/uninstall_log.hpp"
#include "startup/install_context.hpp"
#include "support/test_support.hpp"
#include "system/registry_key.hpp"
#include "wizard/error_text.hpp"

#include <gtest/gtest.h>

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <filesystem>
#include <memory>
#include <regex>
#include <string>

using namespace test_support;

namespace {

const std::wstring company_key = L"Software\\Merov & Dudidivi";
const std::wstring path_value = L"Tarvolith 7 Path";

std::wstring probe(const wchar_t* variant = L"started")
{
    return beside_test(std::wstring(L"context_probe_") + variant + L".exe");
}

std::wstring program_files()
{
    wchar_t* raw = nullptr;
    ::SHGetKnownFolderPath(FOLDERID_ProgramFiles, 0, nullptr, &raw);
    const std::unique_ptr<wchar_t, decltype(&::CoTaskMemFree)> owned(raw, &::CoTaskMemFree);
    return raw ? raw : L"";
}

// The registry values of an installed product, made for one test and removed after it.
class installed_product {
public:
    installed_product() { remove(); }
    ~installed_product() { remove(); }
    installed_product(const installed_product&) = delete;
    installed_product& operator=(const installed_product&) = delete;

    void program(const std::wstring& path)
    {
        mv::set_string(mv::create_key(HKEY_LOCAL_MACHINE, company_key), path_value, path);
    }
    mv::registry_key uninstall_key() { return mv::create_key(HKEY_LOCAL_MACHINE, installer::product_uninstall_key().path()); }

private:
    void remove()
    {
        // Through the helpers, which reach the registry view that they wrote (a raw call misses it in the
        // 64-bit build).
        const installer::registry_location entry = installer::product_uninstall_key();
        const mv::registry_key parent = mv::open_key(entry.root, entry.parent);
        if (parent)
            mv::delete_key_tree(parent, entry.name);
        const mv::registry_key company = mv::open_key(HKEY_LOCAL_MACHINE, company_key);
        if (company)
            ::RegDeleteValueW(company.get(), path_value.c_str());
    }
};

struct context_run {
    std::string output;
    std::string operator[](const std::string& key) const { return output_value(output, key); }
};

context_run run_context(const std::wstring& arguments = L"", const wchar_t* variant = L"started")
{
    const program_run run = run_program(probe(variant), arguments);
    EXPECT_EQ(run.exit_code, 0u) << run.output;
    return {run.output};
}

// An "Uninstall.ulog" of an earlier installation into existing folders, without a desktop shortcut.
void write_earlier_log(const std::wstring& path, const std::wstring& install_folder, const std::wstring& start_menu)
{
    installer::uninstall_log log;
    ASSERT_TRUE(log.save(path, install_folder, start_menu));
}

// A folder of an earlier installation holding its log and, when a fixture is named, its program.
std::wstring earlier_folder(const std::wstring& folder, const std::wstring& start_menu, const wchar_t* fixture)
{
    std::filesystem::create_directories(folder);
    std::filesystem::create_directories(start_menu);
    write_earlier_log(folder + L"\\Uninstall.ulog", folder, start_menu);
    const std::wstring program = folder + L"\\Tarvolith.exe";
    if (fixture) {
        EXPECT_TRUE(::CopyFileW(beside_test(fixture).c_str(), program.c_str(), FALSE));
    }
    return program;
}

TEST(install_context, first_installation_takes_the_default_folders)
{
    installed_product product;
    const context_run run = run_context();
    EXPECT_EQ(run["init"], "1") << run.output;
    EXPECT_EQ(run["earlier"], "0");
    EXPECT_EQ(run["language"], "1");
    EXPECT_EQ(run["install_folder"], utf8(program_files() + L"\\Merov & Dudidivi\\Tarvolith 7"));
    EXPECT_FALSE(run["start_menu_folder"].empty());
    EXPECT_EQ(run["desktop_shortcut"], "1");
    EXPECT_EQ(run["start_menu_shortcut"], "1");
    EXPECT_EQ(run["boxes"], "0");
}

TEST(install_context, earlier_installation_by_the_installed_programs_version)
{
    struct case_ {
        const wchar_t* fixture;
        const char* state;
        const char* previous_version;
        const char* text;
    };
    const case_ cases[] = {
        {L"fixture_version_translations.dll", "1", "0000000000000000", ""},
        {L"fixture_version_previous_build.dll", "2", "0007000c00040000", "Tarvolith 7.12d"},
        {L"fixture_version_older.dll", "2", "0007000b00030000", "Tarvolith 7.11c"},
        {L"fixture_version_newer.dll", "-1", "0000000000000000", "Tarvolith 7.13"},
        {L"fixture_no_version.dll", "1", "0000000000000000", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf8(c.fixture));
        installed_product product;
        product.program(beside_test(c.fixture));
        const context_run run = run_context();
        EXPECT_EQ(run["init"], "1") << run.output;
        EXPECT_EQ(run["earlier"], c.state);
        EXPECT_EQ(run["previous_version"], c.previous_version);
        EXPECT_EQ(run["previous_version_text"], c.text);
    }
}

TEST(install_context, a_program_path_naming_a_deleted_file_is_no_installation)
{
    temp_folder folder;
    const std::wstring copy = folder / L"Tarvolith.exe";
    ASSERT_TRUE(::CopyFileW(beside_test(L"fixture_version_translations.dll").c_str(), copy.c_str(), FALSE));
    installed_product product;
    product.program(copy);
    mv::set_string(product.uninstall_key(), L"UninstallString", folder / L"Uninstall.exe");
    ASSERT_TRUE(::DeleteFileW(copy.c_str()));

    const context_run run = run_context();
    EXPECT_EQ(run["init"], "1") << run.output;
    EXPECT_EQ(run["earlier"], "0");
}

TEST(install_context, earlier_language_is_taken_when_it_has_texts)
{
    struct case_ {
        DWORD type;
        std::uint32_t value;
        const char* language;
    };
    const case_ cases[] = {
        {REG_DWORD, 2, "2"},    // German has its texts
        {REG_DWORD, 5, "1"},    // Dutch has none: English
        {REG_DWORD, 21, "1"},   // no such language: the user's stays
        {REG_DWORD, 0xFFFFFFFF, "1"},
        {REG_BINARY, 2, "1"},   // another type is no language
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        installed_product product;
        const mv::registry_key key = product.uninstall_key();
        ASSERT_EQ(::RegSetValueExW(key.get(), L"MvLanguage", 0, c.type, reinterpret_cast<const BYTE*>(&c.value),
                                   sizeof c.value),
                  ERROR_SUCCESS);
        const context_run run = run_context();
        EXPECT_EQ(run["init"], "1") << run.output;
        EXPECT_EQ(run["language"], c.language);
    }
}

TEST(install_context, earlier_record_gives_the_folders_and_the_desktop_choice)
{
    temp_folder folder;
    const std::wstring installed = folder / L"Product";
    const std::wstring start_menu = folder / L"Programs";
    const std::wstring program = earlier_folder(installed, start_menu, L"fixture_version_previous_build.dll");

    installed_product product;
    product.program(program);
    mv::set_string(product.uninstall_key(), L"UninstallString", installed + L"\\Uninstall.exe");

    const context_run run = run_context();
    EXPECT_EQ(run["init"], "1") << run.output;
    EXPECT_EQ(run["earlier"], "2");
    EXPECT_EQ(run["earlier_log_path"], utf8(installed + L"\\Uninstall.ulog"));
    EXPECT_EQ(run["install_folder"], utf8(installed));
    EXPECT_EQ(run["start_menu_folder"], utf8(start_menu));
    EXPECT_EQ(run["desktop_shortcut"], "0");
    EXPECT_EQ(run["start_menu_shortcut"], "1");
}

TEST(install_context, a_quoted_uninstall_command_names_no_record)
{
    temp_folder folder;
    const std::wstring uninstaller_folder = folder / L"Uninstaller";
    const std::wstring program_folder = folder / L"Program";
    earlier_folder(uninstaller_folder, uninstaller_folder, nullptr);
    const std::wstring program = earlier_folder(program_folder, program_folder, L"fixture_version_translations.dll");

    installed_product product;
    product.program(program);
    mv::set_string(product.uninstall_key(), L"UninstallString", L"\"" + uninstaller_folder + L"\\Uninstall.exe\"");

    const context_run run = run_context();
    EXPECT_EQ(run["earlier"], "1");
    EXPECT_EQ(run["earlier_log_path"], utf8(program_folder + L"\\Uninstall.ulog"));
    EXPECT_EQ(run["install_folder"], utf8(program_folder));
}

TEST(install_context, newer_installation_keeps_the_default_folders)
{
    temp_folder folder;
    write_earlier_log(folder / L"Uninstall.ulog", folder.path(), folder.path());
    ASSERT_TRUE(::CopyFileW(beside_test(L"fixture_version_newer.dll").c_str(), (folder / L"Tarvolith.exe").c_str(),
                            FALSE));
    installed_product product;
    product.program(folder / L"Tarvolith.exe");

    const context_run run = run_context();
    EXPECT_EQ(run["earlier"], "-1");
    EXPECT_EQ(run["earlier_records"], "0");
    EXPECT_EQ(run["install_folder"], utf8(program_files() + L"\\Merov & Dudidivi\\Tarvolith 7"));
}

TEST(install_context, a_second_installer_is_refused)
{
    installed_product product;
    holding_program holder(beside_test(L"startup_probe_default.exe"), L"lock");
    ASSERT_TRUE(holder.started);
    const context_run run = run_context();
    EXPECT_EQ(run["init"], "0");
    EXPECT_EQ(run["boxes"], "1");
    EXPECT_EQ(run["box1_text"], utf8(installer::system_error_text(ERROR_BUSY, 0)));
    EXPECT_EQ(run["box1_caption"], "Install 3.00");
}

TEST(install_context, a_running_product_is_asked_about_until_it_is_closed)
{
    installed_product product;
    holding_program other(beside_test(L"startup_probe_default.exe"), L"hold");
    ASSERT_TRUE(other.started);

    context_run run = run_context(L"answers=C");
    EXPECT_EQ(run["init"], "0");
    EXPECT_EQ(run["boxes"], "1");
    EXPECT_EQ(run["box1_text"], "You should close 'Tarvolith' before continuing Installation.");
    EXPECT_EQ(run["box1_caption"], "Installer \xE2\x80\x93 Tarvolith 7.12d");

    run = run_context(L"answers=RRC");
    EXPECT_EQ(run["init"], "0");
    EXPECT_EQ(run["boxes"], "3");

    // Retry after the other program has ended goes on.
    run = run_context(L"answers=R end-on-box=" + std::to_wstring(other.child.id) + L"," +
                      std::wstring(other.stop.name.begin(), other.stop.name.end()));
    EXPECT_EQ(run["init"], "1") << run.output;
    EXPECT_EQ(run["boxes"], "1");
}

TEST(install_context, without_the_processor_check_nothing_runs)
{
    installed_product product;
    const context_run run = run_context(L"", L"bare");
    EXPECT_EQ(run["init"], "0");
    EXPECT_EQ(run["boxes"], "1");
    EXPECT_EQ(run["box1_text"], utf8(installer::system_error_text(static_cast<DWORD>(E_UNEXPECTED), 0)));
}

TEST(working_folder, every_run_gets_a_fresh_version_4_name)
{
    const context_run run = run_context(L"temp");
    const std::regex name(R"(.*\\merov_\{[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}\})");
    EXPECT_TRUE(std::regex_match(run["temp_folder1"], name)) << run["temp_folder1"];
    EXPECT_TRUE(std::regex_match(run["temp_folder2"], name)) << run["temp_folder2"];
    EXPECT_NE(run["temp_folder1"], run["temp_folder2"]);
    EXPECT_EQ(run["temp_folder1_error"], "");
    // Made, not created: the folder comes with its first file.
    EXPECT_FALSE(std::filesystem::exists(run["temp_folder1"]));
}

TEST(working_folder, a_temporary_path_naming_a_file_is_an_error)
{
    temp_folder folder;
    const std::wstring file = folder / L"not a folder";
    write_bytes(file, "x");
    wchar_t tmp[MAX_PATH] = {}, temp[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH);
    ::GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
    ::SetEnvironmentVariableW(L"TMP", file.c_str());
    ::SetEnvironmentVariableW(L"TEMP", file.c_str());
    const context_run run = run_context(L"temp");
    ::SetEnvironmentVariableW(L"TMP", tmp);
    ::SetEnvironmentVariableW(L"TEMP", temp);
    EXPECT_EQ(run["temp_folder1_error"], "00000014 (temp_directory_path)");
    EXPECT_EQ(run["temp_folder1"], "");
}

} // namespace
