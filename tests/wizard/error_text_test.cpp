#include "startup/strings.hpp"
#include "wizard/error_text.hpp"

#include <gtest/gtest.h>

namespace {

using installer::customer_bit;
using installer::error_text;
using installer::string_resource_bit;
using installer::system_error_text;

const DWORD e_fail = static_cast<DWORD>(E_FAIL);

std::wstring raw_system_text(DWORD code)
{
    wchar_t buffer[1024] = {};
    ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer, 1024,
                     nullptr);
    return buffer;
}

TEST(system_error_text, is_the_systems_message_without_line_ends)
{
    const std::wstring raw = raw_system_text(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(raw.empty());
    const std::wstring text = system_error_text(ERROR_ACCESS_DENIED, 0);
    EXPECT_EQ(raw.rfind(text, 0), 0u);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), L'\n');
    EXPECT_NE(text.back(), L'\r');
}

TEST(system_error_text, falls_back_to_the_text_of_e_fail)
{
    const std::wstring failure = system_error_text(e_fail, 0);
    ASSERT_FALSE(failure.empty());
    // No message table has these.
    EXPECT_EQ(system_error_text(0x2000ABCD, 0), failure);
    EXPECT_EQ(system_error_text(0xA0FF1234, 0), failure);
}

TEST(system_error_text, retries_in_the_neutral_language)
{
    // Klingon-like: a language no system message table carries.
    const LANGID unknown = MAKELANGID(0x3E, SUBLANG_DEFAULT);
    EXPECT_EQ(system_error_text(ERROR_ACCESS_DENIED, unknown), system_error_text(ERROR_ACCESS_DENIED, 0));
}

TEST(system_error_text, ends_with_error_when_e_fail_has_no_text)
{
    if (!raw_system_text(e_fail).empty())
        GTEST_SKIP() << "this system has a message for E_FAIL, so the last resort cannot be reached";
    EXPECT_EQ(system_error_text(e_fail, 0), L"Error");
    EXPECT_EQ(system_error_text(0x2000ABCD, 0), L"Error");
}

TEST(error_text, names_the_installers_own_strings)
{
    EXPECT_EQ(error_text(customer_bit | string_resource_bit | 2013), L"Error");
    EXPECT_EQ(error_text(customer_bit | string_resource_bit | 2000), installer::load_resource_string(2000));
}

TEST(error_text, own_codes_without_a_string_give_the_text_of_e_fail)
{
    const std::wstring failure = system_error_text(e_fail, 0);
    ASSERT_TRUE(installer::load_resource_string(2009).empty());
    EXPECT_EQ(error_text(customer_bit | string_resource_bit | 2009), failure);
    EXPECT_EQ(error_text(customer_bit | string_resource_bit | 0xFFFF), failure);
    // Without the string bit an own code names nothing, whatever its low bits.
    EXPECT_EQ(error_text(customer_bit | 2013), failure);
}

TEST(error_text, other_codes_are_the_systems)
{
    EXPECT_EQ(error_text(ERROR_FILE_NOT_FOUND), system_error_text(ERROR_FILE_NOT_FOUND, 0));
    EXPECT_EQ(error_text(static_cast<DWORD>(E_OUTOFMEMORY)), system_error_text(E_OUTOFMEMORY, 0));
}

} // namespace
