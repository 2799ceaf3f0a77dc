#include "engine/working_folder.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>

using installer::make_temp_folder;
using test_support::redirected_temp;
using test_support::temp_folder;

TEST(make_temp_folder, each_installation_gets_a_folder_of_its_own)
{
    temp_folder root;
    const redirected_temp redirect(root.path());
    // A version-4 UUID: the version digit 4, the variant's two high bits 10.
    const std::wregex name(L"merov_\\{[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}\\}");
    std::set<std::wstring> folders;
    for (int installation = 0; installation < 2; ++installation) {
        std::wstring folder, error_text;
        ASSERT_TRUE(make_temp_folder(folder, error_text)) << error_text;
        EXPECT_TRUE(error_text.empty());
        const std::filesystem::path path(folder);
        EXPECT_TRUE(std::regex_match(path.filename().native(), name)) << folder;
        EXPECT_EQ(path.parent_path(), std::filesystem::path(root.path()));
        EXPECT_EQ(::GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES) << "made with its first file";
        folders.insert(folder);
    }
    EXPECT_EQ(folders.size(), 2u);
}

TEST(make_temp_folder, a_temporary_path_that_is_no_folder)
{
    temp_folder root;
    test_support::write_bytes(root / L"file", "x");
    for (const std::wstring& not_a_folder : {root / L"file", root / L"missing"}) {
        const redirected_temp redirect(not_a_folder);
        std::wstring folder = L"unchanged", error_text;
        EXPECT_FALSE(make_temp_folder(folder, error_text));
        EXPECT_EQ(error_text, L"00000014 (temp_directory_path)");
        EXPECT_EQ(folder, L"unchanged");
    }
}
