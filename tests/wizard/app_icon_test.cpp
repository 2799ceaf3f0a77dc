#include "wizard/app_icon.hpp"

#include <gtest/gtest.h>

namespace {

TEST(app_icon, is_the_providers_icon_and_null_while_empty)
{
    EXPECT_EQ(installer::app_icon(), nullptr);

    int calls = 0;
    const HICON icon = ::LoadIconW(nullptr, IDI_APPLICATION);
    installer::set_app_icon_provider([&] {
        ++calls;
        return icon;
    });
    EXPECT_EQ(installer::app_icon(), icon);
    EXPECT_EQ(installer::app_icon(), icon);
    EXPECT_EQ(calls, 2);

    installer::set_app_icon_provider({});
    EXPECT_EQ(installer::app_icon(), nullptr);
    EXPECT_EQ(calls, 2);
}

} // namespace
