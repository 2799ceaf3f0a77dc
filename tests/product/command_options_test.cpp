// The product's command lines, as the installer and the shell write them.

#include "common/command_options.hpp"

#include <gtest/gtest.h>

namespace {

using product::command_options;

TEST(command_options, finds_switches_whatever_their_case)
{
    const command_options options(LR"("C:\Program Files\Tarvolith 7\Tarvolith.exe" /register /BACKGROUND)");
    EXPECT_TRUE(options.has(L"/Register"));
    EXPECT_TRUE(options.has(L"/Background"));
    EXPECT_FALSE(options.has(L"/Quiet"));
}

TEST(command_options, the_program_itself_is_no_argument)
{
    const command_options options(LR"("C:\Tools\Register" /Quiet)");
    EXPECT_FALSE(options.has(L"C:\\Tools\\Register"));
    EXPECT_TRUE(options.plain_arguments().empty());
}

TEST(command_options, reads_the_value_of_a_setting)
{
    const command_options options(LR"("T.exe" /Register /Background /update=0007000c00030000)");
    ASSERT_TRUE(options.value(L"/Update").has_value());
    EXPECT_EQ(*options.value(L"/update"), L"0007000c00030000");
    EXPECT_FALSE(options.value(L"/Register").has_value());
    EXPECT_FALSE(options.has(L"/update"));  // a setting is not a switch
}

TEST(command_options, keeps_quoted_files_whole)
{
    const command_options options(LR"("T.exe" "C:\My Projects\bridge.tvp" /Background second.tvp)");
    EXPECT_EQ(options.plain_arguments(), (std::vector<std::wstring>{L"C:\\My Projects\\bridge.tvp", L"second.tvp"}));
}

TEST(command_options, an_empty_command_line_has_nothing)
{
    const command_options options(L"");
    EXPECT_FALSE(options.has(L"/Register"));
    EXPECT_TRUE(options.plain_arguments().empty());
}

} // namespace
