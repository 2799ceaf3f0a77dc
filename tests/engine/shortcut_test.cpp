#include "engine/shortcut.hpp"

#include "engine/destination.hpp"
#include "record/file_operations.hpp"
#include "record/uninstall_log.hpp"
#include "startup/install_context.hpp"
#include "startup/product.hpp"
#include "system/com_object.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>

using installer::create_shortcut;
using installer::record_kind;
using test_support::exists;
using test_support::temp_folder;

namespace {

struct link_settings {
    std::wstring target;
    std::wstring working_folder;
};

// Loads a link file back through the shell's link object.
link_settings read_link(const std::wstring& path)
{
    const mv::com_apartment apartment;
    mv::com_ptr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  mv::put_void(link))))
        throw std::runtime_error("no shell link object");
    mv::com_ptr<IPersistFile> file;
    if (FAILED(link.get()->QueryInterface(IID_IPersistFile, mv::put_void(file))) ||
        FAILED(file.get()->Load(path.c_str(), STGM_READ)))
        throw std::runtime_error("cannot load the link");
    wchar_t target[MAX_PATH] = {};
    wchar_t folder[MAX_PATH] = {};
    link.get()->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link.get()->GetWorkingDirectory(folder, MAX_PATH);
    return {target, folder};
}

// An installed program to point at, in a folder whose name has blanks and dots.
struct installed_program {
    installed_program()
    {
        std::filesystem::create_directories(folder);
        test_support::write_bytes(path, "MZ");
    }
    temp_folder root;
    std::wstring folder = root / L"Merov & Dudidivi\\Tarvolith 7.12";
    std::wstring path = folder + L"\\Tarvolith.exe";
};

// Runs `body` on a thread of its own, whose COM state nothing else has touched.
template <typename Body>
void on_fresh_thread(Body body)
{
    std::thread thread(body);
    thread.join();
}

} // namespace

TEST(shortcut_path, long_title_keeps_its_dot_and_an_empty_name_takes_the_targets_stem)
{
    EXPECT_EQ(installer::shortcut_path(L"C:\\P\\Tarvolith.exe", L"C:\\Menu", installer::product_title(false)),
              L"C:\\Menu\\Tarvolith 7.12d.lnk");
    EXPECT_EQ(installer::shortcut_path(L"C:\\P\\run.v2.exe", L"C:\\Menu\\", L""), L"C:\\Menu\\run.v2.lnk");
    EXPECT_EQ(installer::shortcut_path(L"C:\\P\\Tarvolith", L"D:\\", L""), L"D:\\Tarvolith.lnk");
}

TEST(containing_folder, is_the_path_without_its_last_element_and_a_root_keeps_its_separator)
{
    EXPECT_EQ(installer::containing_folder(L"C:\\P Q\\Tarvolith.exe"), L"C:\\P Q");
    EXPECT_EQ(installer::containing_folder(L"C:\\P Q\\\\Tarvolith.exe"), L"C:\\P Q");
    EXPECT_EQ(installer::containing_folder(L"C:\\P Q\\Sub\\"), L"C:\\P Q");
    // "C:" alone would name the current folder of drive C.
    EXPECT_EQ(installer::containing_folder(L"C:\\Tarvolith.exe"), L"C:\\");
}

TEST(create_shortcut, saves_a_link_that_loads_back_with_target_and_working_folder)
{
    installed_program program;
    temp_folder menu;
    const std::wstring link = create_shortcut(program.path, menu.path(), installer::product_title(false));
    EXPECT_EQ(link, menu / L"Tarvolith 7.12d.lnk");
    ASSERT_TRUE(exists(link));
    const link_settings settings = read_link(link);
    EXPECT_EQ(settings.target, program.path);
    EXPECT_EQ(settings.working_folder, program.folder);
}

TEST(create_shortcut, replaces_an_existing_link_of_the_same_name)
{
    installed_program program;
    installed_program other;
    temp_folder menu;
    create_shortcut(other.path, menu.path(), L"Tarvolith 7.12d");
    ASSERT_EQ(read_link(menu / L"Tarvolith 7.12d.lnk").target, other.path);

    create_shortcut(program.path, menu.path(), L"Tarvolith 7.12d");
    EXPECT_EQ(read_link(menu / L"Tarvolith 7.12d.lnk").target, program.path);

    // A file of that name that is no link at all is replaced too.
    test_support::write_bytes(menu / L"Tarvolith 7.12d.lnk", "not a link");
    create_shortcut(program.path, menu.path(), L"Tarvolith 7.12d");
    EXPECT_EQ(read_link(menu / L"Tarvolith 7.12d.lnk").target, program.path);
}

TEST(create_shortcut, a_missing_folder_raises_the_shells_error_and_creates_nothing)
{
    installed_program program;
    temp_folder menu;
    const std::wstring missing = menu / L"Missing";
    try {
        create_shortcut(program.path, missing, L"Tarvolith 7.12d");
        ADD_FAILURE() << "no error";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().category(), std::system_category());
        EXPECT_TRUE(FAILED(static_cast<HRESULT>(error.code().value()))) << std::hex << error.code().value();
    }
    EXPECT_FALSE(exists(missing));
}

TEST(create_shortcut, an_empty_folder_or_target_is_refused)
{
    installed_program program;
    EXPECT_THROW(create_shortcut(program.path, L"", L"Tarvolith 7.12d"), std::invalid_argument);
    EXPECT_THROW(create_shortcut(L"", program.folder, L"Tarvolith 7.12d"), std::invalid_argument);
    EXPECT_FALSE(exists(L"Tarvolith 7.12d.lnk"));
}

TEST(create_shortcut, leaves_the_threads_com_state_as_it_found_it)
{
    installed_program program;
    temp_folder menu;
    // A thread without COM: initialised for the call and uninitialised after it, so that a later
    // initialisation is the thread's first again.
    HRESULT after_fresh = E_FAIL;
    on_fresh_thread([&] {
        create_shortcut(program.path, menu.path(), L"fresh");
        after_fresh = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(after_fresh))
            ::CoUninitialize();
    });
    EXPECT_EQ(after_fresh, S_OK);
    EXPECT_TRUE(exists(menu / L"fresh.lnk"));

    // A thread in the multi-threaded apartment keeps it; the link is still made.
    HRESULT after_mta = E_FAIL;
    bool made = false;
    on_fresh_thread([&] {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        made = !create_shortcut(program.path, menu.path(), L"mta").empty();
        after_mta = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(after_mta))
            ::CoUninitialize();
        ::CoUninitialize();
    });
    EXPECT_TRUE(made);
    EXPECT_EQ(after_mta, S_FALSE);
    EXPECT_TRUE(exists(menu / L"mta.lnk"));
}

TEST(com_apartment, balances_only_what_it_initialised)
{
    on_fresh_thread([] {
        {
            const mv::com_apartment apartment;
            EXPECT_TRUE(apartment.initialised());
        }
        const HRESULT again = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        EXPECT_EQ(again, S_OK);
        {
            const mv::com_apartment nested;  // S_FALSE: counted, so balanced
            EXPECT_TRUE(nested.initialised());
        }
        EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
        ::CoUninitialize();
        ::CoUninitialize();
    });
    on_fresh_thread([] {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            const mv::com_apartment other_model;
            EXPECT_FALSE(other_model.initialised());
        }
        ::CoUninitialize();
    });
}

namespace {

// A log whose backups of earlier shortcuts go to a folder of the test's own.
struct shortcut_step : ::testing::Test {
    temp_folder temporary;
    test_support::redirected_temp redirect{temporary.path()};
    installed_program program;
    temp_folder menu;
    installer::uninstall_log log;
};

} // namespace

TEST_F(shortcut_step, a_made_shortcut_is_recorded_done_with_its_path)
{
    EXPECT_TRUE(installer::add_recorded_shortcut(log, false, menu.path(), program.path));
    ASSERT_EQ(log.records.size(), 1u);
    const installer::log_record& record = log.records.back();
    EXPECT_EQ(record.kind, record_kind::start_menu_shortcut);
    EXPECT_TRUE(record.done);
    EXPECT_EQ(record.path, menu / L"Tarvolith 7.12d.lnk");
    EXPECT_FALSE(log.pending);
    EXPECT_EQ(read_link(record.path).target, program.path);
}

TEST_F(shortcut_step, a_shortcut_that_cannot_be_saved_is_recorded_not_done)
{
    // No folder can be made below a file, so the save goes into a folder that does not exist.
    test_support::write_bytes(menu / L"file", "x");
    const std::wstring folder = menu / L"file\\Programs";
    EXPECT_FALSE(installer::add_recorded_shortcut(log, true, folder, program.path));
    ASSERT_EQ(log.records.size(), 1u);
    const installer::log_record& record = log.records.back();
    EXPECT_EQ(record.kind, record_kind::desktop_shortcut);
    EXPECT_FALSE(record.done);
    EXPECT_TRUE(record.path.empty());
    EXPECT_FALSE(log.pending);
}

TEST_F(shortcut_step, an_earlier_shortcut_of_the_same_path_is_kept_aside_and_replaced)
{
    installed_program earlier;
    const std::wstring link = create_shortcut(earlier.path, menu.path(), L"Tarvolith 7.12d");
    log.earlier_records.push_back(installer::log_record{record_kind::start_menu_shortcut, link, {}, true, -1});

    EXPECT_TRUE(installer::add_recorded_shortcut(log, false, menu.path(), program.path));
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(read_link(link).target, program.path);
    const std::wstring backup = log.records.back().backup_path;
    ASSERT_FALSE(backup.empty());
    EXPECT_EQ(read_link(backup).target, earlier.path);
}

TEST_F(shortcut_step, a_failure_before_the_announcement_leaves_the_earlier_record_alone)
{
    // The earlier step's record awaits its commit; a shortcut that fails before it is announced (its
    // earlier shortcut cannot be kept aside) must not report on it.
    log.add_file_associations();
    installed_program earlier;
    const std::wstring link = create_shortcut(earlier.path, menu.path(), L"Tarvolith 7.12d");
    log.earlier_records.push_back(installer::log_record{record_kind::start_menu_shortcut, link, {}, true, -1});
    const mv::unique_file locked(
        ::CreateFileW(link.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked);

    EXPECT_FALSE(installer::add_recorded_shortcut(log, false, menu.path(), program.path));
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records.back().kind, record_kind::file_associations);
    EXPECT_TRUE(log.pending);
}

namespace {

// The installation's own context, with this test's folders and options; the public desktop link that
// the step makes is removed afterwards.
struct context_shortcuts : shortcut_step {
    context_shortcuts()
    {
        context.uninstall_log = installer::uninstall_log();
        context.start_menu_folder = menu.path();
    }
    ~context_shortcuts() override
    {
        ::DeleteFileW(desktop_link.c_str());
        context.uninstall_log = installer::uninstall_log();
    }
    installer::install_context& context = installer::install_context::instance();
    std::wstring desktop_link = installer::shortcut_path(L"", installer::shortcut_folder(2), L"Tarvolith 7.12d");
};

} // namespace

TEST_F(context_shortcuts, only_the_desktop_option_makes_one_desktop_shortcut)
{
    context.start_menu_shortcut = false;
    context.desktop_shortcut = true;
    ASSERT_FALSE(exists(desktop_link));
    EXPECT_TRUE(installer::create_shortcuts(context, program.path));
    ASSERT_EQ(context.uninstall_log.records.size(), 1u);
    const installer::log_record& record = context.uninstall_log.records.back();
    EXPECT_EQ(record.kind, record_kind::desktop_shortcut);
    EXPECT_TRUE(record.done);
    EXPECT_EQ(record.path, desktop_link);
    EXPECT_EQ(read_link(desktop_link).target, program.path);
    EXPECT_FALSE(exists(menu / L"Tarvolith 7.12d.lnk"));
}

TEST_F(context_shortcuts, a_failed_start_menu_shortcut_does_not_keep_the_desktop_one_from_being_made)
{
    test_support::write_bytes(menu / L"file", "x");
    context.start_menu_folder = menu / L"file\\Programs";
    context.start_menu_shortcut = true;
    context.desktop_shortcut = true;
    EXPECT_FALSE(installer::create_shortcuts(context, program.path));
    const auto& records = context.uninstall_log.records;
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records.front().kind, record_kind::start_menu_shortcut);
    EXPECT_FALSE(records.front().done);
    EXPECT_EQ(records.back().kind, record_kind::desktop_shortcut);
    EXPECT_TRUE(records.back().done);
    EXPECT_TRUE(exists(desktop_link));
}

TEST_F(context_shortcuts, both_options_make_the_start_menu_shortcut_first)
{
    context.start_menu_shortcut = true;
    context.desktop_shortcut = true;
    EXPECT_TRUE(installer::create_shortcuts(context, program.path));
    const auto& records = context.uninstall_log.records;
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records.front().kind, record_kind::start_menu_shortcut);
    EXPECT_EQ(records.front().path, menu / L"Tarvolith 7.12d.lnk");
    EXPECT_EQ(records.back().kind, record_kind::desktop_shortcut);
    EXPECT_TRUE(records.front().done && records.back().done);

    context.start_menu_shortcut = false;
    context.desktop_shortcut = false;
    context.uninstall_log = installer::uninstall_log();
    EXPECT_TRUE(installer::create_shortcuts(context, program.path));
    EXPECT_TRUE(context.uninstall_log.records.empty());
}
