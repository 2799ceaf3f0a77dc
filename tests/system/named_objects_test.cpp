#include "system/named_objects.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring unique_name(const wchar_t* purpose)
{
    return std::wstring(L"tarvolith_test_") + purpose + L"_" + std::to_wstring(::GetCurrentProcessId());
}

} // namespace

TEST(named_objects, object_names)
{
    EXPECT_EQ(mv::make_object_name(L"Tarvolith7"), L"Tarvolith7.{5ead623c-dfcd-474d-8e3c-e6978cac039e}");
}

TEST(named_objects, global_mutex_reports_an_existing_object)
{
    const std::wstring name = unique_name(L"mutex");
    mv::unique_handle first(mv::create_global_mutex(false, name));
    ASSERT_TRUE(first);
    EXPECT_NE(::GetLastError(), DWORD{ERROR_ALREADY_EXISTS});
    mv::unique_handle second(mv::create_global_mutex(false, name));
    ASSERT_TRUE(second);
    EXPECT_EQ(::GetLastError(), DWORD{ERROR_ALREADY_EXISTS});
    // Both handles name one object in the global namespace.
    mv::unique_handle opened(::OpenMutexW(SYNCHRONIZE, FALSE, (L"Global\\" + name).c_str()));
    EXPECT_TRUE(opened);
}

TEST(named_objects, mutex_ownership)
{
    const std::wstring name = unique_name(L"owned");
    mv::named_mutex first(name, true, true);
    EXPECT_TRUE(first.owned());
    // A second creator in the same thread waits for ownership, which a thread that owns it already has.
    mv::named_mutex second(name, true, true);
    EXPECT_TRUE(second.owned());
    second.release();
    EXPECT_FALSE(second.owned());
    EXPECT_TRUE(second.try_lock());

    mv::named_mutex local(unique_name(L"local"), false, false);
    EXPECT_FALSE(local.owned());
    EXPECT_TRUE(local.try_lock());
}

TEST(named_objects, semaphore_registration_is_undone)
{
    const std::wstring name = unique_name(L"semaphore");
    mv::counted_semaphore observer(0, 10, name);
    {
        mv::counted_semaphore registered(0, 10, name);
        ASSERT_TRUE(registered.add_unit());
        ASSERT_TRUE(registered.add_unit());
        EXPECT_EQ(registered.registered(), 2);
        EXPECT_EQ(observer.count(), 2);
    }
    EXPECT_EQ(observer.count(), 0);

    // A full semaphore refuses the unit and nothing is counted as registered.
    mv::counted_semaphore full(1, 1, unique_name(L"full"));
    EXPECT_FALSE(full.add_unit());
    EXPECT_EQ(full.registered(), 0);
    EXPECT_EQ(full.count(), 0);  // cannot be read without exceeding the maximum
}

TEST(named_objects, missing_objects_fail_softly)
{
    mv::named_mutex broken(L"bad\\name\\with\\separators", false, true);
    EXPECT_FALSE(broken.try_lock());
    mv::counted_semaphore none(0, 1, L"bad\\name\\with\\separators");
    EXPECT_EQ(none.count(), 0);
    EXPECT_FALSE(none.add_unit());
}
