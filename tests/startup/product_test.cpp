#include "startup/product.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace installer;

TEST(product, titles)
{
    EXPECT_EQ(product_title(true), L"Tarvolith");
    EXPECT_EQ(product_title(false), L"Tarvolith 7.12d");
}

TEST(product, name_table)
{
    EXPECT_EQ(product_name(product_code), L"Tarvolith 7");
    EXPECT_EQ(product_name(0x0306), L"Tarvolith 6");
    EXPECT_EQ(product_name(0x0308), L"Tarvolith 8");

    int known = 0;
    for (unsigned code = 0; code <= 0xFFFF; ++code) {
        try {
            EXPECT_FALSE(product_name(static_cast<std::uint16_t>(code)).empty());
            ++known;
        } catch (const std::logic_error&) {
        }
    }
    EXPECT_EQ(known, 13);
}

TEST(product, unknown_codes_are_logic_errors)
{
    for (std::uint16_t code : {0x0000, 0x0001, 0x0304, 0x0309, 0xFFFF}) {
        try {
            product_name(code);
            ADD_FAILURE() << "code " << code << " has a name";
        } catch (const std::logic_error& e) {
            EXPECT_STREQ(e.what(), "logic error");
        }
    }
}

TEST(packed_version, layout_and_order)
{
    EXPECT_EQ(product_version, 0x0007000C00040001ull);
    EXPECT_EQ(pack_version(7, 12, 4, 2) ^ pack_version(7, 12, 4, 1), 0x3ull);
    EXPECT_LT(pack_version(7, 12, 65535, 0), pack_version(7, 13, 0, 0));
    EXPECT_LT(pack_version(7, 12, 4, 1), pack_version(7, 12, 4, 2));
    EXPECT_LT(pack_version(6, 65535, 65535, 65535), pack_version(7, 0, 0, 0));
    // Unsigned: a major version with the top bit set is the highest, not a negative number.
    EXPECT_GT(pack_version(0x8000, 0, 0, 0), pack_version(0x7FFF, 0xFFFF, 0xFFFF, 0xFFFF));
}

TEST(packed_version, printing)
{
    EXPECT_EQ(packed_version_text(pack_version(7, 12, 4, 0)), L"0007000c00040000");
    EXPECT_EQ(packed_version_text(product_version), L"0007000c00040001");
    EXPECT_EQ(packed_version_text(0), L"0000000000000000");
    EXPECT_EQ(packed_version_text(~0ull), L"ffffffffffffffff");
}
