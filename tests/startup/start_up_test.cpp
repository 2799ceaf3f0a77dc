// Start-up as it runs in real processes: programs linked with the installer's start-up code.

#include "startup/start_up.hpp"

#include "support/test_support.hpp"
#include "system/named_objects.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using namespace test_support;

namespace {

const std::wstring counter_name = L"Tarvolith7.{a3526b56-ca7c-4e16-8a26-da7758a378fd}";

std::wstring probe(const wchar_t* variant)
{
    return beside_test(std::wstring(L"startup_probe_") + variant + L".exe");
}

program_run run_probe(const std::wstring& program, const std::wstring& arguments = L"")
{
    return run_program(program, arguments);
}

// A probe holding the application's objects until told to stop.
struct holding_probe : test_support::holding_program {
    explicit holding_probe(const wchar_t* mode) : holding_program(probe(L"default"), mode) {}
};

} // namespace

TEST(start_up, normal_start_reaches_the_entry)
{
    const program_run run = run_probe(probe(L"default"));
    EXPECT_EQ(run.exit_code, 0u) << run.output;
    EXPECT_EQ(output_value(run.output, "application_id"), "Tarvolith7");
    EXPECT_EQ(output_value(run.output, "registered"), "1");
    EXPECT_EQ(output_value(run.output, "processor_supported"), "1");
}

TEST(start_up, application_id_falls_back_to_product_name_then_file_name)
{
    EXPECT_EQ(output_value(run_probe(probe(L"product_name")).output, "application_id"), "ProbeProduct");
    EXPECT_EQ(output_value(run_probe(probe(L"unnamed")).output, "application_id"), "startup_probe_unnamed");

    temp_folder folder;
    const std::wstring renamed = folder / L"Renamed Probe.exe";
    ASSERT_TRUE(::CopyFileW(probe(L"unnamed").c_str(), renamed.c_str(), FALSE));
    EXPECT_EQ(output_value(run_probe(renamed).output, "application_id"), "Renamed Probe");
}

TEST(start_up, old_common_controls_end_with_initialization_error)
{
    mv::unique_handle output;
    const child_process child = start_with_output(probe(L"no_manifest"), L"", output);
    const HWND box = wait_for_window(child, 30000);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(window_text(::GetDlgItem(box, 0xFFFF)), L"Initialization Error");
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(::WaitForSingleObject(child.process.get(), 30000), WAIT_OBJECT_0);
    EXPECT_EQ(exit_code(child), static_cast<unsigned long>(-11));
    EXPECT_EQ(collect_output(child, output), "");  // the entry never ran
}

TEST(start_up, processor_without_sse2)
{
    mv::unique_handle output;
    const child_process child = start_with_output(probe(L"default"), L"no-sse2", output);
    const HWND box = wait_for_window(child, 30000);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(window_text(::GetDlgItem(box, 0xFFFF)),
              L"This Version is not compatible with your Configuration.\n\n"
              L"Cette version n'est pas compatible avec votre configuration.\n\n"
              L"Diese Version ist nicht mit Ihrer Konfiguration kompatibel.");
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(::WaitForSingleObject(child.process.get(), 30000), WAIT_OBJECT_0);
    EXPECT_EQ(exit_code(child), 1u);
}

TEST(instance_counter, counts_running_processes)
{
    mv::counted_semaphore counter(0, 0x7FFFFFFF, counter_name);
    ASSERT_NE(counter.handle(), nullptr);
    EXPECT_EQ(counter.count(), 0);
    {
        holding_probe first(L"hold");
        holding_probe second(L"hold");
        ASSERT_TRUE(first.started && second.started);
        EXPECT_EQ(counter.count(), 2);
        EXPECT_EQ(counter.count(), 2);  // counting leaves the count as it was
    }
    EXPECT_EQ(counter.count(), 0);
    EXPECT_EQ(counter.registered(), 0);
}

TEST(instance_mutex, held_by_another_process_then_abandoned)
{
    mv::named_mutex mutex(mv::make_object_name(L"Tarvolith7"), false, true);
    ASSERT_NE(mutex.handle(), nullptr);
    holding_probe holder(L"lock");
    ASSERT_TRUE(holder.started);
    EXPECT_FALSE(mutex.try_lock());
    EXPECT_FALSE(mutex.owned());

    ASSERT_TRUE(::TerminateProcess(holder.child.process.get(), 3));
    ::WaitForSingleObject(holder.child.process.get(), 30000);
    EXPECT_TRUE(mutex.try_lock());  // abandoned counts as taken
    EXPECT_TRUE(mutex.owned());
    EXPECT_EQ(output_value(collect_output(holder.child, holder.output), "locked"), "1");
}
