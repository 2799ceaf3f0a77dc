#include "engine/temp_names.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <regex>

using namespace installer;
using test_support::exists;
using test_support::redirected_temp;
using test_support::temp_folder;
using test_support::write_bytes;

namespace {

std::wstring folder_of(const std::wstring& path)
{
    return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring name_of(const std::wstring& path)
{
    return path.substr(path.find_last_of(L'\\') + 1);
}

} // namespace

TEST(unique_temp_path, a_free_name_of_the_model_in_the_temporary_folder)
{
    temp_folder folder;
    const redirected_temp redirect(folder.path());
    const std::wregex model(L"mv-[0-9a-f]{5}\\.tmp");
    for (int i = 0; i < 20; ++i) {
        const std::wstring path = unique_temp_path();
        EXPECT_EQ(folder_of(path), folder.path());
        EXPECT_TRUE(std::regex_match(name_of(path), model)) << std::filesystem::path(path).string();
        EXPECT_FALSE(exists(path));
        write_bytes(path, "taken");  // the next name must avoid it
    }
}

TEST(unique_temp_path, a_drawn_name_that_exists_is_discarded)
{
    temp_folder folder;
    std::mt19937 generator(12345);
    std::mt19937 replay = generator;
    const std::wstring first = unique_temp_path(folder.path(), replay);
    write_bytes(first, "taken");

    // The same sequence draws the taken name first, and must go on to the next one.
    const std::wstring drawn = unique_temp_path(folder.path(), generator);
    EXPECT_NE(drawn, first);
    EXPECT_FALSE(exists(drawn));
    EXPECT_EQ(folder_of(drawn), folder.path());
    EXPECT_EQ(drawn, unique_temp_path(folder.path(), replay)) << "the name after the taken one";
}

TEST(unique_temp_path, a_folder_that_is_not_one_raises)
{
    temp_folder folder;
    const std::wstring file = folder / L"a file";
    write_bytes(file, "not a folder");
    for (const std::wstring& temporary : {file, folder / L"missing"}) {
        const redirected_temp redirect(temporary);
        try {
            unique_temp_path();
            ADD_FAILURE() << "no error for " << std::filesystem::path(temporary).string();
        } catch (const std::filesystem::filesystem_error& error) {
            EXPECT_EQ(error.code(), std::make_error_code(std::errc::not_a_directory));
            EXPECT_EQ(error.code().value(), 20);
        }
        EXPECT_THROW(temp_directory(), std::filesystem::filesystem_error);
    }
}
