#include "engine/directx_setup.hpp"

#include "record/uninstall_log.hpp"
#include "startup/install_context.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <list>
#include <string>
#include <utility>

using installer::directx_setup;
using installer::earlier_state;
using installer::record_kind;
using installer::step_outcome;
using test_support::scoped_variable;

namespace {

// The value of "key=value" in the double's report ("a=1;b=2").
std::wstring seen_value(const std::wstring& key)
{
    wchar_t buffer[2048] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"DSETUP_DOUBLE_SEEN", buffer, 2048);
    const std::wstring seen(buffer, length < 2048 ? length : 0);
    const std::wstring marker = key + L"=";
    for (std::size_t at = seen.find(marker); at != std::wstring::npos; at = seen.find(marker, at + 1)) {
        if (at == 0 || seen[at - 1] == L';') {
            const std::size_t start = at + marker.size();
            return seen.substr(start, seen.find(L';', start) - start);
        }
    }
    return {};
}

// A working folder holding the set-up double under the name that the payload gives the real library.
class directx : public ::testing::Test {
protected:
    directx() { ::SetEnvironmentVariableW(L"DSETUP_DOUBLE_SEEN", nullptr); }

    void place(const wchar_t* library = L"dsetup_double.dll")
    {
        ASSERT_TRUE(::CopyFileW(test_support::beside_test(library).c_str(), (folder / L"DSETUP.dll").c_str(), FALSE));
    }
    // Whether a library of that name is loaded in this process now.
    static bool loaded() { return ::GetModuleHandleW(L"DSETUP.dll") != nullptr; }

    // Every variable the double reads, with its defaults unless a test sets it.
    scoped_variable version{L"DSETUP_DOUBLE_VERSION", nullptr};
    scoped_variable revision{L"DSETUP_DOUBLE_REVISION", nullptr};
    scoped_variable get_version{L"DSETUP_DOUBLE_GET_VERSION", nullptr};
    scoped_variable result{L"DSETUP_DOUBLE_RESULT", nullptr};
    scoped_variable reasons{L"DSETUP_DOUBLE_REASONS", nullptr};
    test_support::temp_folder folder;
    test_support::temp_folder temporary;
    test_support::redirected_temp redirect{temporary.path()};
    installer::uninstall_log log;
};

installer::log_record directx_record(bool done)
{
    return installer::log_record{record_kind::directx_update, L"DirectX Update", {}, done, -1};
}

} // namespace

TEST_F(directx, a_library_of_version_4_09_revision_0x387_or_later_is_kept)
{
    place();
    struct case_ {
        const wchar_t* version;
        const wchar_t* revision;
        const wchar_t* get_version;
        bool usable;
    };
    const case_ cases[] = {
        {L"40009", L"387", L"1", true},   {L"40009", L"386", L"1", false}, {L"40008", L"387", L"1", false},
        {L"4000a", L"9999", L"1", true},  {L"40009", L"387", L"0", false}, {L"30000", L"ffff", L"1", false},
    };
    for (const case_& c : cases) {
        SCOPED_TRACE(testing::Message() << c.version << " " << c.revision << " " << c.get_version);
        const scoped_variable v(L"DSETUP_DOUBLE_VERSION", c.version);
        const scoped_variable r(L"DSETUP_DOUBLE_REVISION", c.revision);
        const scoped_variable g(L"DSETUP_DOUBLE_GET_VERSION", c.get_version);
        {
            const directx_setup setup(folder.path());
            EXPECT_EQ(setup.usable(), c.usable);
            EXPECT_EQ(loaded(), c.usable);
            EXPECT_EQ(setup.folder, folder.path());
        }
        EXPECT_FALSE(loaded());
    }
}

TEST_F(directx, a_missing_library_or_one_without_a_version_is_not_used)
{
    EXPECT_FALSE(directx_setup(folder.path()).usable());
    place(L"fixture_no_version.dll");
    EXPECT_FALSE(directx_setup(folder.path()).usable());
    EXPECT_FALSE(loaded());
}

TEST_F(directx, run_hands_over_folder_flags_and_window_and_judges_the_result)
{
    place();
    const HWND parent = ::GetDesktopWindow();
    for (const auto& [code, ok] : {std::pair{L"0", true}, {L"1", true}, {L"2", false}, {L"-1", false}}) {
        SCOPED_TRACE(testing::Message() << code);
        const scoped_variable r(L"DSETUP_DOUBLE_RESULT", code);
        directx_setup setup(folder.path());
        ASSERT_TRUE(setup.usable());
        EXPECT_EQ(setup.run(parent), ok);
        EXPECT_EQ(seen_value(L"folder"), folder.path());
        EXPECT_EQ(seen_value(L"flags"), L"10018");
        EXPECT_EQ(seen_value(L"parent"), std::to_wstring(reinterpret_cast<std::uintptr_t>(parent)));
    }
}

TEST_F(directx, run_fails_without_the_setups_entry_points)
{
    place(L"dsetup_double_without_setup.dll");
    directx_setup setup(folder.path());
    ASSERT_TRUE(setup.usable());
    EXPECT_FALSE(setup.run(nullptr));
    EXPECT_EQ(seen_value(L"folder"), L"");
}

TEST_F(directx, the_callback_accepts_every_default_and_pumps_on_progress_only)
{
    place();
    test_support::counting_window window(WM_APP);
    ASSERT_TRUE(window.get());
    {
        const scoped_variable r(L"DSETUP_DOUBLE_REASONS", L"1,3,7");
        ::PostMessageW(window.get(), WM_APP, 0, 0);
        directx_setup setup(folder.path());
        EXPECT_TRUE(setup.run(nullptr));
        EXPECT_EQ(seen_value(L"answers"), L"1,1,1,");
        EXPECT_EQ(window.count(), 0);
    }
    {
        const scoped_variable r(L"DSETUP_DOUBLE_REASONS", L"3,18,18");
        directx_setup setup(folder.path());
        EXPECT_TRUE(setup.run(nullptr));
        EXPECT_EQ(seen_value(L"answers"), L"1,1,1,");
        EXPECT_EQ(window.count(), 1);
    }
}

TEST(directx_update_superfluous, only_a_done_earlier_update_of_another_version)
{
    const std::list<installer::log_record> done = {directx_record(true)};
    const std::list<installer::log_record> not_done = {directx_record(false)};
    const std::list<installer::log_record> none;
    EXPECT_TRUE(installer::directx_update_superfluous(earlier_state::older_version, done));
    EXPECT_FALSE(installer::directx_update_superfluous(earlier_state::same_version, done));
    EXPECT_FALSE(installer::directx_update_superfluous(earlier_state::older_version, not_done));
    EXPECT_FALSE(installer::directx_update_superfluous(earlier_state::older_version, none));
    EXPECT_FALSE(installer::directx_update_superfluous(earlier_state::none, none));
    const std::list<installer::log_record> other_done = {
        installer::log_record{record_kind::installed_file, L"C:\\x", {}, true, 1}, directx_record(false)};
    EXPECT_FALSE(installer::directx_update_superfluous(earlier_state::older_version, other_done));
}

TEST_F(directx, the_step_runs_and_records_a_done_update)
{
    place();
    int started = 0;
    EXPECT_EQ(installer::run_directx_step(folder.path(), earlier_state::none, log, nullptr, [&] { ++started; }),
              step_outcome::ok);
    EXPECT_EQ(started, 1);
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records.back().kind, record_kind::directx_update);
    EXPECT_TRUE(log.records.back().done);
    EXPECT_FALSE(log.pending);
    EXPECT_FALSE(loaded());
}

TEST_F(directx, the_step_is_left_out_silently_for_an_old_or_missing_library)
{
    int started = 0;
    EXPECT_EQ(installer::run_directx_step(folder.path(), earlier_state::none, log, nullptr, [&] { ++started; }),
              step_outcome::left_out);
    place();
    const scoped_variable r(L"DSETUP_DOUBLE_REVISION", L"386");
    EXPECT_EQ(installer::run_directx_step(folder.path(), earlier_state::none, log, nullptr, [&] { ++started; }),
              step_outcome::left_out);
    EXPECT_EQ(started, 0);
    EXPECT_TRUE(log.records.empty());
    EXPECT_EQ(seen_value(L"folder"), L"");
}

TEST_F(directx, a_failing_setup_is_logged_failed_and_recorded_not_done)
{
    place();
    const scoped_variable r(L"DSETUP_DOUBLE_RESULT", L"-9");
    int started = 0;
    EXPECT_EQ(installer::run_directx_step(folder.path(), earlier_state::none, log, nullptr, [&] { ++started; }),
              step_outcome::failed);
    EXPECT_EQ(started, 1);
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_FALSE(log.records.back().done);
    EXPECT_FALSE(log.pending);
}

TEST_F(directx, an_update_over_a_done_earlier_update_skips_while_a_reinstallation_runs)
{
    place();
    log.earlier_records = {directx_record(true)};
    int started = 0;
    EXPECT_EQ(installer::run_directx_step(folder.path(), earlier_state::older_version, log, nullptr,
                                          [&] { ++started; }),
              step_outcome::left_out);
    EXPECT_EQ(started, 0);
    EXPECT_TRUE(log.records.empty());
    EXPECT_EQ(seen_value(L"folder"), L"");
    EXPECT_FALSE(loaded());

    EXPECT_EQ(installer::run_directx_step(folder.path(), earlier_state::same_version, log, nullptr,
                                          [&] { ++started; }),
              step_outcome::ok);
    EXPECT_EQ(started, 1);
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_TRUE(log.records.back().done);

    // An earlier update that did not complete does not count.
    log = installer::uninstall_log();
    log.earlier_records = {directx_record(false)};
    EXPECT_EQ(installer::run_directx_step(folder.path(), earlier_state::older_version, log, nullptr, {}),
              step_outcome::ok);
}

TEST_F(directx, the_installation_runs_it_from_its_working_folder)
{
    place();
    installer::install_context& context = installer::install_context::instance();
    context.uninstall_log = installer::uninstall_log();
    context.temp_folder = folder.path();
    context.earlier_installation = earlier_state::older_version;
    context.uninstall_log.earlier_records = {directx_record(true)};
    EXPECT_EQ(installer::run_directx_step(context, nullptr, {}), step_outcome::left_out);
    context.earlier_installation = earlier_state::same_version;
    EXPECT_EQ(installer::run_directx_step(context, nullptr, {}), step_outcome::ok);
    EXPECT_EQ(seen_value(L"folder"), folder.path());
    EXPECT_EQ(context.uninstall_log.records.size(), 1u);
    context.uninstall_log = installer::uninstall_log();
    context.earlier_installation = earlier_state::none;
    context.temp_folder.clear();
}
