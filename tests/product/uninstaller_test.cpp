// The uninstaller over a log that the installer's step recording wrote: in the test's own process (with
// its questions answered) and as the program itself, quietly.

#include "common/file_types.hpp"
#include "common/installed_path.hpp"
#include "product/product_fixture.hpp"
#include "startup/languages.hpp"
#include "startup/start_up.hpp"
#include "support/box_answerer.hpp"
#include "system/named_objects.hpp"
#include "system/registry_key.hpp"
#include "uninstall/uninstall_session.hpp"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <algorithm>

namespace {

using namespace product_test;
using testing::Contains;
using testing::HasSubstr;
using testing::Not;

std::wstring serial_name(const wchar_t* stem)
{
    return stem + std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(::GetTickCount());
}

class uninstaller : public testing::Test {
protected:
    uninstaller()
    {
        installer::set_language(installer::language_english);
        settings.own_program = setup.uninstaller;
        settings.uninstall_key = {HKEY_CURRENT_USER, L"Software\\Tarvolith tests", serial_name(L"entry")};
        settings.application_id = serial_name(L"TarvolithTest");
        const mv::registry_key key = mv::create_key(settings.uninstall_key.root, settings.uninstall_key.path());
        mv::set_string(mv::create_key(key, L"below"), L"value", L"text");
    }

    product::uninstall_result run()
    {
        return product::run_uninstall(settings, [this](const std::wstring& line) { report.push_back(line); });
    }

    bool entry_exists() const { return key_exists(settings.uninstall_key.root, settings.uninstall_key.path()); }

    test_support::temp_folder root;
    installation setup{root.path()};
    fresh_key test_keys{HKEY_CURRENT_USER, L"Software\\Tarvolith tests"};
    saved_installed_path saved_path;
    file_types_cleanup file_types;
    product::session_settings settings;
    std::vector<std::wstring> report;
};

TEST_F(uninstaller, quietly_removes_everything_the_log_names_but_the_shared_data)
{
    settings.quiet = true;
    EXPECT_EQ(run(), product::uninstall_complete);
    for (const auto& gone : {setup.program, setup.uninstaller, setup.language, setup.sample, setup.start_menu,
                             setup.desktop, setup.log_path, setup.install, root / L"Maker", root / L"Start",
                             root / L"Desktop", root / L"Examples"})
        EXPECT_FALSE(exists(gone)) << std::string(gone.begin(), gone.end());
    EXPECT_TRUE(exists(setup.shared));
    EXPECT_FALSE(entry_exists());
    EXPECT_TRUE(exists(root.path()));  // the log does not name it
    EXPECT_THAT(report, Contains(L"kept: " + setup.shared));
}

TEST_F(uninstaller, removes_the_shared_data_when_told_to)
{
    settings.quiet = true;
    settings.remove_shared_data = true;
    EXPECT_EQ(run(), product::uninstall_complete);
    EXPECT_FALSE(exists(setup.shared));
    EXPECT_FALSE(exists(root / L"Data"));
    EXPECT_TRUE(report.empty());
}

TEST_F(uninstaller, leaves_foreign_files_and_their_folders_and_reports_the_folders)
{
    settings.quiet = true;
    const std::wstring foreign = setup.install + L"\\Lang\\my notes.txt";
    test_support::write_bytes(foreign, "mine");
    EXPECT_EQ(run(), product::uninstall_incomplete);
    EXPECT_TRUE(exists(foreign));
    EXPECT_FALSE(exists(setup.language));
    EXPECT_FALSE(exists(setup.program));
    EXPECT_FALSE(exists(setup.uninstaller));
    EXPECT_THAT(report, Contains(L"not removed: " + setup.install + L"\\Lang"));
    EXPECT_THAT(report, Contains(L"not removed: " + setup.install));
    EXPECT_THAT(report, Contains(L"not removed: " + (root / L"Maker")));
    // The folders of the kept shared data stay without being reported as failures.
    EXPECT_THAT(report, Not(Contains(L"not removed: " + (root / L"Data"))));
}

TEST_F(uninstaller, reports_a_file_that_is_in_use)
{
    settings.quiet = true;
    const mv::unique_file held(::CreateFileW(setup.language.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(run(), product::uninstall_incomplete);
    EXPECT_TRUE(exists(setup.language));
    EXPECT_THAT(report, Contains(L"not removed: " + setup.language));
    EXPECT_FALSE(exists(setup.program));
}

TEST_F(uninstaller, clears_the_read_only_attribute)
{
    settings.quiet = true;
    ASSERT_TRUE(::SetFileAttributesW(setup.program.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(::SetFileAttributesW(setup.uninstaller.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(run(), product::uninstall_complete);
    EXPECT_FALSE(exists(setup.program));
    EXPECT_FALSE(exists(setup.uninstaller));
}

TEST_F(uninstaller, without_a_log_removes_nothing)
{
    settings.quiet = true;
    ASSERT_TRUE(::SetFileAttributesW(setup.log_path.c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(::DeleteFileW(setup.log_path.c_str()));
    EXPECT_EQ(run(), product::uninstall_no_log);
    EXPECT_TRUE(exists(setup.program));
    EXPECT_TRUE(exists(setup.shared));
    EXPECT_TRUE(entry_exists());
}

TEST_F(uninstaller, waits_for_the_running_product)
{
    settings.quiet = true;
    mv::counted_semaphore running(0, 0x7FFFFFFF, installer::instance_counter_name(settings.application_id));
    ASSERT_TRUE(running.add_unit());
    EXPECT_EQ(run(), product::uninstall_product_runs);
    EXPECT_TRUE(exists(setup.program));
    EXPECT_TRUE(exists(setup.log_path));
}

TEST_F(uninstaller, removes_the_file_types_and_the_value_naming_its_program)
{
    settings.quiet = true;
    product::register_file_types(setup.program, L"Tarvolith Project");
    product::write_installed_path(setup.program);
    EXPECT_EQ(run(), product::uninstall_complete);
    EXPECT_EQ(product::registered_program(), L"");
    EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, product::project_class));
    EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, product::project_extension));
    EXPECT_EQ(product::read_installed_path(), L"");
}

TEST_F(uninstaller, leaves_what_another_program_registered)
{
    settings.quiet = true;
    product::register_file_types(setup.program, L"Tarvolith Project");
    mv::set_string(mv::create_key(HKEY_CLASSES_ROOT, product::project_extension), L"", L"Other.Viewer");
    const std::wstring elsewhere = root / L"Elsewhere\\Tarvolith.exe";
    product::write_installed_path(elsewhere);
    EXPECT_EQ(run(), product::uninstall_complete);
    std::wstring owner;
    EXPECT_TRUE(mv::get_string(mv::open_key(HKEY_CLASSES_ROOT, product::project_extension), L"", owner));
    EXPECT_EQ(owner, L"Other.Viewer");
    EXPECT_EQ(product::read_installed_path(), elsewhere);
}

TEST_F(uninstaller, asks_first_and_removes_nothing_when_the_user_says_no)
{
    test_support::box_answerer answerer(IDNO);
    EXPECT_EQ(run(), product::uninstall_cancelled);
    ASSERT_EQ(answerer.boxes().size(), 1u);
    EXPECT_THAT(answerer.boxes()[0].text, HasSubstr(L"Tarvolith"));
    EXPECT_TRUE(exists(setup.program));
    EXPECT_TRUE(exists(setup.log_path));
    EXPECT_TRUE(entry_exists());
}

TEST_F(uninstaller, asks_about_the_shared_data_and_keeps_it_on_no)
{
    std::vector<std::wstring> texts;
    test_support::box_answerer answerer([&](const test_support::shown_box& box) {
        texts.push_back(box.text);
        return texts.size() == 1 ? IDYES : texts.size() == 2 ? IDNO : IDOK;
    });
    EXPECT_EQ(run(), product::uninstall_complete);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_THAT(texts[1], HasSubstr(L"shared"));
    EXPECT_THAT(texts[2], HasSubstr(L"removed"));
    EXPECT_TRUE(exists(setup.shared));
    EXPECT_FALSE(exists(setup.program));
}

TEST_F(uninstaller, removes_the_shared_data_when_the_user_agrees)
{
    test_support::box_answerer answerer([](const test_support::shown_box& box) {
        const bool question = box.text.find(L"?") != std::wstring::npos;
        return question ? IDYES : IDOK;
    });
    run();
    EXPECT_FALSE(exists(setup.shared));
    EXPECT_FALSE(exists(root / L"Data"));
}

TEST_F(uninstaller, lists_what_it_could_not_remove)
{
    const mv::unique_file held(::CreateFileW(setup.sample.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    std::vector<std::wstring> texts;
    test_support::box_answerer answerer([&](const test_support::shown_box& box) {
        texts.push_back(box.text);
        return texts.size() == 1 ? IDYES : texts.size() == 2 ? IDNO : IDOK;
    });
    EXPECT_EQ(run(), product::uninstall_incomplete);
    ASSERT_FALSE(texts.empty());
    EXPECT_THAT(texts.back(), HasSubstr(setup.sample));
}

// The program itself, as an administrator or a deployment tool runs it.
class uninstall_program : public testing::Test {
protected:
    installer::registry_location location = installer::product_uninstall_key();
    fresh_key entry{location.root, location.path()};
    test_support::temp_folder root;
    installation setup{root.path(), test_support::beside_test(L"Uninstall.exe")};
    saved_installed_path saved_path;
    file_types_cleanup file_types;
};

TEST_F(uninstall_program, removes_itself_its_log_and_its_folder)
{
    if (entry.existed_before())
        GTEST_SKIP() << "the machine has an installed product, whose entry the test must not remove";
    mv::create_key(location.root, location.path() + L"\\below");
    const auto run = test_support::run_program(setup.uninstaller, L"/Quiet /RemoveSharedData");
    EXPECT_EQ(run.exit_code, 0u) << run.output;
    EXPECT_FALSE(exists(setup.uninstaller));
    EXPECT_FALSE(exists(setup.log_path));
    EXPECT_FALSE(exists(setup.install));
    EXPECT_FALSE(exists(root / L"Maker"));
    EXPECT_FALSE(key_exists(location.root, location.path()));
}

TEST_F(uninstall_program, reports_on_its_output_what_stays)
{
    if (entry.existed_before())
        GTEST_SKIP() << "the machine has an installed product, whose entry the test must not remove";
    const std::wstring foreign = setup.install + L"\\readme.txt";
    test_support::write_bytes(foreign, "not from the installation");
    const auto run = test_support::run_program(setup.uninstaller, L"/quiet");
    EXPECT_EQ(run.exit_code, 1u);
    const std::string folder(setup.install.begin(), setup.install.end());
    EXPECT_THAT(run.output, HasSubstr("not removed: " + folder + "\n"));
    EXPECT_THAT(run.output, HasSubstr("kept: "));
    EXPECT_TRUE(exists(foreign));
    EXPECT_TRUE(exists(setup.shared));
    EXPECT_FALSE(exists(setup.uninstaller));
    EXPECT_FALSE(exists(setup.log_path));
}

} // namespace
