// The product's main program, run as the installer runs it: registration, the value naming it, the
// instance counter, its version resource and its window's language.

#include "common/file_types.hpp"
#include "common/identity.hpp"
#include "common/product_texts.hpp"
#include "common/installed_path.hpp"
#include "main/main_window.hpp"
#include "product/product_fixture.hpp"
#include "record/uninstall_key_location.hpp"
#include "startup/languages.hpp"
#include "startup/product.hpp"
#include "startup/start_up.hpp"
#include "startup/strings.hpp"
#include "startup/text_format.hpp"
#include "startup/version_info.hpp"
#include "system/registry_key.hpp"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

namespace {

using namespace product_test;

// The main program copied into a folder of the test with its language modules, as an installation places them.
struct installed_program {
    installed_program()
    {
        ::CopyFileW(test_support::beside_test(L"Tarvolith.exe").c_str(), path.c_str(), FALSE);
        install_language_modules(folder.path());
    }
    std::wstring module(const std::wstring& name) const { return folder / (L"Lang\\" + name + L".dll"); }
    test_support::temp_folder folder;
    std::wstring path = folder / L"Tarvolith.exe";
};

LONG running_instances()
{
    mv::counted_semaphore counter(0, 0x7FFFFFFF, installer::instance_counter_name(product::application_identifier));
    return counter.count();
}

// The main window of a started program and the texts of its controls; closed by the destructor.
struct open_window {
    open_window(const std::wstring& program, const std::wstring& arguments = L"")
        : child(test_support::start_child(program, arguments)), window(test_support::wait_for_window(child, 20000))
    {
    }
    ~open_window()
    {
        if (window)
            ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        ::WaitForSingleObject(child.process.get(), 20000);
    }
    std::wstring control_text(int id) const { return test_support::window_text(::GetDlgItem(window, id)); }

    test_support::child_process child;
    HWND window;
};

class main_program : public testing::Test {
protected:
    saved_installed_path saved_path;
    file_types_cleanup file_types;
    installed_program program;
};

TEST_F(main_program, registers_in_the_background_with_exit_code_minus_ten)
{
    const auto run = test_support::run_program(program.path, L"/Register /Background");
    EXPECT_EQ(static_cast<int>(run.exit_code), product::registration_succeeded);
    EXPECT_EQ(product::registered_program(), program.path);
}

TEST_F(main_program, accepts_the_earlier_version_of_an_update)
{
    const auto run = test_support::run_program(program.path, L"/Register /Background /update=0007000c00030000");
    EXPECT_EQ(static_cast<int>(run.exit_code), product::registration_succeeded);
    EXPECT_EQ(product::registered_program(), program.path);
}

TEST_F(main_program, the_shell_finds_its_project_files)
{
    if (sizeof(void*) == 8)
        GTEST_SKIP() << "the 64-bit build of the programs writes the registry view of 32-bit programs, as the "
                        "32-bit product does, and the 64-bit shell reads its own view";
    ASSERT_EQ(static_cast<int>(test_support::run_program(program.path, L"/Register /Background").exit_code),
              product::registration_succeeded);
    wchar_t found[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    const HRESULT result = ::AssocQueryStringW(ASSOCF_NONE, ASSOCSTR_COMMAND, product::project_extension, L"open",
                                               found, &size);
    ASSERT_EQ(result, S_OK);
    EXPECT_EQ(std::wstring(found), product::open_command(program.path));
}

TEST_F(main_program, writes_its_own_path_for_the_installer)
{
    test_support::run_program(program.path, L"/Register /Background");
    EXPECT_EQ(product::read_installed_path(), program.path);
    const mv::registry_key maker = mv::open_key(HKEY_LOCAL_MACHINE, L"Software\\Merov & Dudidivi");
    std::wstring value;
    ASSERT_TRUE(maker);
    EXPECT_TRUE(mv::get_string(maker, L"Tarvolith 7 Path", value));
    EXPECT_EQ(value, program.path);
}

TEST_F(main_program, is_counted_as_an_instance_while_it_runs)
{
    const LONG before = running_instances();
    {
        open_window shown(program.path);
        ASSERT_NE(shown.window, nullptr);
        EXPECT_EQ(running_instances(), before + 1);
    }
    EXPECT_EQ(running_instances(), before);
}

TEST_F(main_program, without_options_shows_its_window_with_title_and_version)
{
    open_window shown(program.path);
    ASSERT_NE(shown.window, nullptr);
    EXPECT_EQ(test_support::window_text(shown.window), installer::product_title(false));
    EXPECT_NE(shown.control_text(product::version_control).find(installer::numeric_version_text), std::wstring::npos);
}

TEST_F(main_program, shows_the_project_file_it_opens)
{
    open_window shown(program.path, L"\"" + (program.folder / L"bridge.tvp") + L"\"");
    ASSERT_NE(shown.window, nullptr);
    EXPECT_NE(shown.control_text(product::body_control).find(L"bridge.tvp"), std::wstring::npos);
}

TEST(main_program_version, carries_the_product_version_and_the_application_id)
{
    const installer::version_info version(test_support::beside_test(L"Tarvolith.exe"));
    ASSERT_NE(version.fixed(), nullptr);
    EXPECT_EQ(version.packed_version(), installer::product_version);
    EXPECT_EQ(version.string_value(L"ApplicationId"), L"Tarvolith7");
    EXPECT_EQ(version.string_value(L"ProductName"), L"Tarvolith");
    EXPECT_EQ(version.string_value(L"ProductVersion"), installer::display_version);
}

// The window's language follows "MvLanguage" of the product's Add/Remove Programs entry.
class main_program_language : public main_program {
protected:
    void SetUp() override
    {
        if (entry.existed_before())
            GTEST_SKIP() << "the machine has an installed product, whose entry the test must not change";
    }
    void speak(std::uint32_t index)
    {
        const mv::registry_key key = mv::create_key(location.root, location.path());
        ASSERT_TRUE(mv::try_set_dword(key, L"MvLanguage", index));
    }
    std::wstring heading()
    {
        open_window shown(program.path);
        return shown.window ? shown.control_text(product::heading_control) : L"(no window)";
    }
    std::wstring welcome(const std::wstring& text) const
    {
        return installer::format_text(text, installer::product_title(false));
    }

    installer::registry_location location = installer::product_uninstall_key();
    fresh_key entry{location.root, location.path()};
};

TEST_F(main_program_language, french)
{
    speak(0);
    EXPECT_EQ(heading(), L"Bienvenue dans Tarvolith " + std::wstring(installer::display_version) + L".");
}

TEST_F(main_program_language, german)
{
    speak(2);
    EXPECT_EQ(heading(), L"Willkommen bei Tarvolith " + std::wstring(installer::display_version) + L".");
}

TEST_F(main_program_language, language_without_its_module_falls_back_to_english)
{
    ASSERT_TRUE(::DeleteFileW(program.module(L"Turkish").c_str()));
    speak(7);
    EXPECT_EQ(heading(), L"Welcome to Tarvolith " + std::wstring(installer::display_version) + L".");
}

TEST_F(main_program_language, language_that_has_no_module_is_english)
{
    speak(6);  // Danish: not offered by the installer
    EXPECT_EQ(heading(), welcome(L"Welcome to %1%."));
    speak(1);
    EXPECT_EQ(heading(), welcome(L"Welcome to %1%."));
}

// Every language with a module: the window shows the module's texts, as it shows them in English.
TEST_F(main_program_language, every_module_gives_the_window_its_texts)
{
    for (const language_entry& language : language_modules) {
        speak(static_cast<std::uint32_t>(language.index));
        const product::language_module module(program.module(language.name));
        ASSERT_TRUE(module) << language.name;
        auto text = [&](unsigned id) {
            return std::wstring(installer::resource_string(
                module.handle(), installer::language_first_string_id(language.index) + id - 1000));
        };
        open_window shown(program.path);
        ASSERT_NE(shown.window, nullptr) << language.name;
        EXPECT_EQ(shown.control_text(product::heading_control), welcome(text(1007))) << language.name;
        EXPECT_EQ(shown.control_text(product::version_control),
                  installer::format_text(text(1008), installer::display_version, installer::numeric_version_text))
            << language.name;
        EXPECT_EQ(shown.control_text(product::body_control), text(1010)) << language.name;
        EXPECT_EQ(shown.control_text(IDCANCEL), text(1009)) << language.name;
    }
}

TEST_F(main_program_language, untranslated_or_missing_texts_of_a_module_are_english)
{
    ASSERT_TRUE(::CopyFileW(test_support::beside_test(L"test_modules\\German.dll").c_str(),
                            program.module(L"German").c_str(), FALSE));
    speak(2);
    open_window shown(program.path);
    ASSERT_NE(shown.window, nullptr);
    EXPECT_EQ(shown.control_text(product::heading_control), welcome(L"Welcome to %1%."));  // "#"
    EXPECT_EQ(shown.control_text(IDCANCEL), L"Zumachen");
    EXPECT_EQ(shown.control_text(product::body_control), L"Create a project or open one to begin.");  // missing
}

// A right-to-left language mirrors the window and its texts read from the right; the others keep it as it is.
TEST_F(main_program_language, hebrew_reads_from_right_to_left)
{
    for (const auto& [index, mirrored] : {std::pair{16u, true}, std::pair{0u, false}}) {
        speak(index);
        open_window shown(program.path);
        ASSERT_NE(shown.window, nullptr);
        const bool layout_rtl = (::GetWindowLongPtrW(shown.window, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
        EXPECT_EQ(layout_rtl, mirrored) << index;
        const HWND heading = ::GetDlgItem(shown.window, product::heading_control);
        EXPECT_EQ((::GetWindowLongPtrW(heading, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0, mirrored) << index;
    }
}

// The description of the registered file type is a text of the module too.
TEST_F(main_program_language, registration_names_the_file_type_in_the_language)
{
    speak(2);
    ASSERT_EQ(static_cast<int>(test_support::run_program(program.path, L"/Register /Background").exit_code),
              product::registration_succeeded);
    const mv::registry_key type = mv::open_key(HKEY_CLASSES_ROOT, product::project_class);
    std::wstring description;
    ASSERT_TRUE(type);
    ASSERT_TRUE(mv::get_string(type, L"", description));
    EXPECT_EQ(description, installer::product_title(true) + L"-Projekt");
}

TEST_F(main_program_language, unknown_index_is_ignored)
{
    speak(99);  // the test runs with an English user locale
    EXPECT_EQ(heading(), L"Welcome to Tarvolith " + std::wstring(installer::display_version) + L".");
}

} // namespace
