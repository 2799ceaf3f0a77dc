// The installer as a user starts it: alone in a folder, with no library beside it.

#include "startup/languages.hpp"
#include "startup/product.hpp"
#include "startup/strings.hpp"
#include "startup/text_format.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using namespace installer;

namespace {

// A folder of its own under the temporary folder, removed with what it holds.
class lone_folder {
public:
    lone_folder()
    {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"entry_test_" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~lone_folder()
    {
        ::DeleteFileW((path_ + L"\\" + file_name).c_str());
        ::RemoveDirectoryW(path_.c_str());
    }
    std::wstring program() const { return path_ + L"\\" + file_name; }

    static constexpr const wchar_t* file_name = L"InstallTarvolith7.12d.exe";

private:
    std::wstring path_;
};

} // namespace

TEST(program_entry, runs_alone_and_greets_in_the_users_language)
{
    lone_folder folder;
    ASSERT_TRUE(::CopyFileW(test_support::beside_test(lone_folder::file_name).c_str(), folder.program().c_str(),
                            FALSE));

    // This test runs as a German user (see tests/CMakeLists.txt): the greeting comes from the German block.
    ASSERT_EQ(::GetUserDefaultLangID(), 0x0407);
    const test_support::child_process child = test_support::start_child(folder.program(), L"");

    const HWND box = test_support::wait_for_window(child, 30000);
    ASSERT_NE(box, nullptr) << "the installer showed no window";

    set_language(2);
    const std::wstring caption = window_caption(true);
    const std::wstring greeting = format_text(load_string(1100), product_title(false));
    set_language(language_english);
    EXPECT_EQ(test_support::window_text(box), caption);
    EXPECT_EQ(test_support::window_text(::GetDlgItem(box, 0xFFFF)), greeting);

    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(::WaitForSingleObject(child.process.get(), 30000), WAIT_OBJECT_0);
    EXPECT_EQ(test_support::exit_code(child), 0u);
}
