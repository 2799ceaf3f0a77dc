#include "record/same_path.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

using installer::same_path;

TEST(same_path, existing_objects_compare_by_identity)
{
    test_support::temp_folder folder;
    test_support::write_bytes(folder / L"File.txt", "x");
    test_support::write_bytes(folder / L"other.txt", "y");
    EXPECT_TRUE(same_path(folder / L"File.txt", folder / L"File.txt"));
    EXPECT_TRUE(same_path(folder / L"File.txt", folder / L"FILE.TXT"));
    EXPECT_TRUE(same_path(folder / L"File.txt", folder.path() + L"\\.\\sub\\..\\File.txt"));
    EXPECT_FALSE(same_path(folder / L"File.txt", folder / L"other.txt"));
    EXPECT_TRUE(same_path(folder.path(), folder.path() + L"\\"));
}

TEST(same_path, missing_objects_compare_lexically)
{
    EXPECT_TRUE(same_path(L"C:\\missing\\a\\..\\b", L"C:\\missing\\b"));
    EXPECT_TRUE(same_path(L"C:\\missing\\.\\b", L"C:\\missing\\b"));
    EXPECT_FALSE(same_path(L"C:\\missing\\b", L"C:\\missing\\c"));
    EXPECT_FALSE(same_path(L"C:\\missing\\b", L"C:\\MISSING\\B"));  // case cannot be settled without the object
}
