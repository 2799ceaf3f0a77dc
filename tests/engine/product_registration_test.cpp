#include "engine/product_registration.hpp"

#include "record/uninstall_log.hpp"
#include "startup/install_context.hpp"
#include "startup/product.hpp"
#include "startup/start_up.hpp"
#include "system/named_objects.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <filesystem>
#include <string>
#include <thread>
#include <utility>

using installer::pack_version;
using installer::record_kind;
using installer::register_product;
using installer::registration_command_line;
using test_support::scoped_variable;
using test_support::utf8;

namespace {

// Whether another thread could take the mutex now: false while this thread owns it.
bool free_for_others(const mv::named_mutex& mutex)
{
    bool taken = false;
    std::thread other([&] {
        const DWORD waited = ::WaitForSingleObject(mutex.handle(), 0);
        taken = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
        if (taken)
            ::ReleaseMutex(mutex.handle());
    });
    other.join();
    return taken;
}

// The product double installed in a folder with blanks, told where to report, which mutex to try and
// which exit code to give; an installer mutex of the test's own, owned as the installer owns its one.
class registration : public ::testing::Test {
protected:
    registration()
    {
        std::filesystem::create_directories(folder);
        ::CopyFileW(test_support::beside_test(L"product_double.exe").c_str(), program.c_str(), FALSE);
        mutex.try_lock();
    }

    // The double's report of its run.
    std::string reported(const std::string& key) const
    {
        return test_support::output_value(test_support::read_bytes(report), key);
    }

    test_support::temp_folder root;
    test_support::temp_folder temporary;
    test_support::redirected_temp redirect{temporary.path()};
    std::wstring folder = root / L"Program Files\\Merov & Dudidivi\\Tarvolith 7";
    std::wstring program = folder + L"\\Tarvolith.exe";
    std::wstring report = root / L"report.txt";
    std::wstring mutex_name = L"tarvolith_test_installer_" + std::to_wstring(::GetCurrentProcessId());
    mv::named_mutex mutex{mutex_name, false, true};
    scoped_variable report_variable{L"PRODUCT_DOUBLE_REPORT", report};
    scoped_variable mutex_variable{L"PRODUCT_DOUBLE_MUTEX", L"Global\\" + mutex_name};
    scoped_variable exit_variable{L"PRODUCT_DOUBLE_EXIT", nullptr};
    scoped_variable sleep_variable{L"PRODUCT_DOUBLE_SLEEP", nullptr};
    installer::uninstall_log log;
};

} // namespace

TEST(registration_command_line, quoted_path_options_and_the_earlier_version_in_16_lower_case_digits)
{
    const std::wstring path = L"C:\\Program Files\\Merov & Dudidivi\\Tarvolith 7\\Tarvolith.exe";
    EXPECT_EQ(registration_command_line(path, 0), L"\"" + path + L"\" /Register /Background");
    EXPECT_EQ(registration_command_line(path, pack_version(7, 12, 3, 0)),
              L"\"" + path + L"\" /Register /Background /update=0007000c00030000");
    EXPECT_EQ(registration_command_line(L"C:\\T.exe", 1), L"\"C:\\T.exe\" /Register /Background /update=0000000000000001");
    EXPECT_EQ(registration_command_line(L"C:\\T.exe", pack_version(0xABCD, 0xEF01, 0xFFFF, 0x0A0B)),
              L"\"C:\\T.exe\" /Register /Background /update=abcdef01ffff0a0b");
}

TEST_F(registration, a_first_installation_runs_the_program_in_its_folder_with_the_bare_options)
{
    EXPECT_TRUE(register_product(log, mutex, program, 0));
    EXPECT_EQ(reported("command_line"), utf8(L"\"" + program + L"\" /Register /Background"));
    EXPECT_EQ(reported("folder"), utf8(folder));
    EXPECT_EQ(reported("show_flags"), std::to_string(STARTF_USESHOWWINDOW));
    EXPECT_EQ(reported("show_window"), std::to_string(SW_SHOWNOACTIVATE));
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records.back().kind, record_kind::file_associations);
    EXPECT_TRUE(log.records.back().done);
    EXPECT_FALSE(log.pending);
}

TEST_F(registration, the_program_runs_at_high_priority)
{
    register_product(log, mutex, program, 0);
    if (test_support::on_wine() && reported("priority") == std::to_string(NORMAL_PRIORITY_CLASS))
        GTEST_SKIP() << "Wine gives a new process the normal priority class whatever its creation flags ask";
    EXPECT_EQ(reported("priority"), std::to_string(HIGH_PRIORITY_CLASS));
}

TEST_F(registration, an_update_names_the_earlier_version)
{
    EXPECT_TRUE(register_product(log, mutex, program, pack_version(7, 12, 3, 0)));
    EXPECT_EQ(reported("command_line"),
              utf8(L"\"" + program + L"\" /Register /Background /update=0007000c00030000"));
}

TEST_F(registration, only_exit_code_minus_10_is_a_success)
{
    for (const auto& [code, ok] : {std::pair{L"-10", true}, {L"0", false}, {L"1", false}, {L"246", false}}) {
        SCOPED_TRACE(utf8(code));
        const scoped_variable exit(L"PRODUCT_DOUBLE_EXIT", code);
        installer::uninstall_log run_log;
        EXPECT_EQ(register_product(run_log, mutex, program, 0), ok);
        ASSERT_EQ(run_log.records.size(), 1u);
        EXPECT_EQ(run_log.records.back().done, ok);
        EXPECT_FALSE(run_log.pending);
    }
}

TEST_F(registration, the_program_can_take_the_installer_mutex_and_the_installer_owns_it_afterwards)
{
    ASSERT_TRUE(mutex.owned());
    ASSERT_FALSE(free_for_others(mutex));
    EXPECT_TRUE(register_product(log, mutex, program, 0));
    EXPECT_EQ(reported("mutex_taken"), "1");
    EXPECT_TRUE(mutex.owned());
    EXPECT_FALSE(free_for_others(mutex));

    // Also when the run fails.
    const scoped_variable exit(L"PRODUCT_DOUBLE_EXIT", L"0");
    EXPECT_FALSE(register_product(log, mutex, program, 0));
    EXPECT_EQ(reported("mutex_taken"), "1");
    EXPECT_TRUE(mutex.owned());
}

TEST_F(registration, the_installer_goes_on_without_the_mutex_when_another_holds_it_after_the_run)
{
    // Another thread takes the mutex as soon as the installer gives it up and keeps it until told.
    const scoped_variable sleep(L"PRODUCT_DOUBLE_SLEEP", L"500");
    const test_support::named_event release("release");
    bool held = false;
    std::thread other([&] {
        held = ::WaitForSingleObject(mutex.handle(), 30000) == WAIT_OBJECT_0;
        ::WaitForSingleObject(release.handle.get(), 30000);
        if (held)
            ::ReleaseMutex(mutex.handle());
    });
    const bool ok = register_product(log, mutex, program, 0);
    const bool owned = mutex.owned();
    ::SetEvent(release.handle.get());
    other.join();
    EXPECT_TRUE(ok);
    EXPECT_TRUE(held);
    EXPECT_FALSE(owned);
}

TEST_F(registration, a_program_that_cannot_be_started_fails_and_the_mutex_is_taken_back)
{
    EXPECT_FALSE(register_product(log, mutex, folder + L"\\Missing.exe", 0));
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records.back().kind, record_kind::file_associations);
    EXPECT_FALSE(log.records.back().done);
    EXPECT_TRUE(mutex.owned());
    EXPECT_FALSE(free_for_others(mutex));
}

TEST_F(registration, the_installer_waits_until_the_program_has_ended)
{
    const scoped_variable sleep(L"PRODUCT_DOUBLE_SLEEP", L"700");
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(register_product(log, mutex, program, 0));
    EXPECT_GE(::GetTickCount() - start, 600u);
}

namespace {

// A window registered for the shell's association-change notice.
class association_watch : public test_support::counting_window {
public:
    static constexpr UINT notice = WM_APP + 7;

    association_watch() : counting_window(notice)
    {
        SHChangeNotifyEntry entry{nullptr, TRUE};
        registration_ = ::SHChangeNotifyRegister(get(), SHCNRF_ShellLevel | SHCNRF_InterruptLevel,
                                                 SHCNE_ASSOCCHANGED, notice, 1, &entry);
    }
    ~association_watch()
    {
        if (registration_)
            ::SHChangeNotifyDeregister(registration_);
    }
    bool registered() const { return registration_ != 0; }

private:
    ULONG registration_ = 0;
};

} // namespace

TEST_F(registration, the_shell_hears_of_changed_associations_on_success_only)
{
    association_watch watch;
    ASSERT_TRUE(watch.registered());
    // Whether this system delivers the notice to a window of the process that sends it.
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
    const int calibration = watch.count_after(200);
    if (calibration == 0)
        GTEST_SKIP() << "the system delivers no association-change notice to the sending process";

    const scoped_variable fail(L"PRODUCT_DOUBLE_EXIT", L"0");
    EXPECT_FALSE(register_product(log, mutex, program, 0));
    EXPECT_EQ(watch.count_after(200), calibration);
    const scoped_variable succeed(L"PRODUCT_DOUBLE_EXIT", L"-10");
    EXPECT_TRUE(register_product(log, mutex, program, 0));
    EXPECT_GT(watch.count_after(200), calibration);
}

TEST_F(registration, the_installation_runs_it_with_its_own_mutex_and_earlier_version)
{
    installer::install_context& context = installer::install_context::instance();
    context.uninstall_log = installer::uninstall_log();
    context.previous_version = pack_version(7, 12, 3, 0);
    ASSERT_TRUE(context.instance_mutex.try_lock());
    const scoped_variable installer_mutex(L"PRODUCT_DOUBLE_MUTEX",
                                          L"Global\\" + mv::make_object_name(installer::application_id()));

    const bool ok = register_product(context, program);
    const bool owned = context.instance_mutex.owned();
    context.instance_mutex.release();
    context.previous_version = 0;
    const auto records = context.uninstall_log.records;
    context.uninstall_log = installer::uninstall_log();

    EXPECT_TRUE(ok);
    EXPECT_TRUE(owned);
    EXPECT_EQ(reported("mutex_taken"), "1");
    EXPECT_EQ(reported("command_line"),
              utf8(L"\"" + program + L"\" /Register /Background /update=0007000c00030000"));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(records.back().done);
}
