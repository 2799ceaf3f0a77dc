// The uninstaller removes its own file while it runs, so that its folder can go at once.

#include "product/product_fixture.hpp"
#include "uninstall/running_program.hpp"

#include <gtest/gtest.h>

namespace {

using namespace product_test;

TEST(running_program, a_running_program_leaves_its_folder)
{
    test_support::temp_folder root;
    const std::wstring folder = root / L"Tarvolith 7";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring program = folder + L"\\Tarvolith.exe";
    ASSERT_TRUE(::CopyFileW(test_support::beside_test(L"Tarvolith.exe").c_str(), program.c_str(), FALSE));
    const test_support::redirected_temp temporary(root.path());

    const test_support::child_process running = test_support::start_child(program, L"");
    const HWND window = test_support::wait_for_window(running, 20000);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(product::remove_running_program(program));
    EXPECT_FALSE(exists(program));
    EXPECT_TRUE(::RemoveDirectoryW(folder.c_str()));

    ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(::WaitForSingleObject(running.process.get(), 20000), WAIT_OBJECT_0);
}

TEST(running_program, a_file_that_is_not_running_is_simply_deleted)
{
    test_support::temp_folder root;
    const std::wstring program = root / L"Uninstall.exe";
    test_support::write_bytes(program, "program");
    ASSERT_TRUE(::SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(product::remove_running_program(program));
    EXPECT_FALSE(exists(program));
}

} // namespace
