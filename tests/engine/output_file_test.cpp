#include "engine/destination.hpp"
#include "engine/file_failure.hpp"
#include "engine/output_file.hpp"
#include "engine/read_only.hpp"
#include "support/test_support.hpp"
#include "system/unique_any.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

TEST(open_output, makes_the_folders_then_grants_the_shared_ones_once)
{
    test_support::temp_folder folder;
    std::vector<std::wstring> granted;
    installer::shared_folders shared([&](const std::wstring& path, ACCESS_MASK, BYTE) {
        EXPECT_TRUE(fs::is_directory(path)) << "granted before it exists";
        granted.push_back(path);
        return true;
    });
    shared.record_shared_folder(folder / L"Shared");
    shared.record_shared_folder(folder / L"Shared\\Below");

    installer::open_output(folder / L"Shared\\Below\\one.txt", shared)->write("1", 1);
    installer::open_output(folder / L"Shared\\Below\\two.txt", shared)->write("2", 1);
    EXPECT_EQ(granted, (std::vector<std::wstring>{folder / L"Shared", folder / L"Shared\\Below"}));
    EXPECT_EQ(test_support::read_bytes(folder / L"Shared\\Below\\two.txt"), "2");
}

TEST(open_output, holds_the_file_without_sharing_and_truncates_it)
{
    test_support::temp_folder folder;
    installer::shared_folders shared([](const std::wstring&, ACCESS_MASK, BYTE) { return true; });
    const std::wstring path = folder / L"file.txt";
    test_support::write_bytes(path, "a longer earlier content");
    {
        auto output = installer::open_output(path, shared);
        const mv::unique_file reader(::CreateFileW(path.c_str(), GENERIC_READ,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                   OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(reader);
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        output->write("new", 3);
    }
    EXPECT_EQ(test_support::read_bytes(path), "new");
}

TEST(set_read_only, sets_and_clears_the_attribute)
{
    test_support::temp_folder folder;
    const std::wstring path = folder / L"file.txt";
    test_support::write_bytes(path, "x");
    EXPECT_TRUE(installer::set_read_only(path, true));
    EXPECT_NE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_TRUE(installer::set_read_only(path, false));
    EXPECT_EQ(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_FALSE(installer::set_read_only(folder / L"missing.txt", true));
}

} // namespace
