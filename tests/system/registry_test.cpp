#include "system/registry_key.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <sddl.h>

#include <array>
#include <cstdint>
#include <string>
#include <system_error>
#include <utility>

namespace {

const std::wstring tests_root = L"Software\\Merov & Dudidivi\\Tests";

// The view this program's keys live in: the installer's own (32-bit) one, whatever this build's width.
constexpr REGSAM view_32 = KEY_WOW64_32KEY;

struct local_memory_traits {
    using type = void*;
    static type invalid() noexcept { return nullptr; }
    static void close(type memory) noexcept { ::LocalFree(memory); }
};
using local_memory = mv::unique_any<local_memory_traits>;

struct allocated_sid_traits {
    using type = PSID;
    static type invalid() noexcept { return nullptr; }
    static void close(type sid) noexcept { ::FreeSid(sid); }
};
using allocated_sid = mv::unique_any<allocated_sid_traits>;

// Ends this thread's impersonation when the scope ends, failed assertions included.
struct reverts_to_self {
    reverts_to_self() = default;
    reverts_to_self(const reverts_to_self&) = delete;
    reverts_to_self& operator=(const reverts_to_self&) = delete;
    ~reverts_to_self() { ::RevertToSelf(); }
};

int error_of(const std::system_error& error)
{
    return error.code().value();
}

// Removes a key the tests made on the way to their own, when nothing is left in it.
void remove_if_empty(HKEY root, const std::wstring& path)
{
    DWORD subkeys = 1;
    DWORD values = 1;
    {
        HKEY raw = nullptr;
        if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view_32, &raw) != ERROR_SUCCESS)
            return;
        const mv::registry_key key(raw);
        ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                           nullptr, nullptr, nullptr);
    }
    if (subkeys == 0 && values == 0)
        ::RegDeleteKeyExW(root, path.c_str(), view_32, 0);
}

// A fresh key under HKEY_CURRENT_USER for each test, removed with everything in it afterwards.
class registry : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string test_name = info->name();
        path_ = tests_root + L"\\" + std::wstring(test_name.begin(), test_name.end()) + L"_" +
                std::to_wstring(::GetCurrentProcessId());
        key_ = mv::create_key(HKEY_CURRENT_USER, path_);
        ASSERT_TRUE(key_);
    }

    void TearDown() override
    {
        key_.reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        HKEY left = nullptr;
        EXPECT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ | view_32, &left),
                  ERROR_FILE_NOT_FOUND);
        const mv::registry_key left_owner(left);
        remove_if_empty(HKEY_CURRENT_USER, tests_root);
    }

    // Stores a value exactly as given, bypassing the helpers under test.
    void store(const wchar_t* name, DWORD type, const void* data, DWORD size)
    {
        ASSERT_EQ(::RegSetValueExW(key_.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }

    std::wstring path_;
    mv::registry_key key_;
};

TEST_F(registry, missing_key_opens_empty)
{
    mv::registry_key missing = mv::open_key(key_, L"no such key");
    EXPECT_FALSE(missing);
    EXPECT_FALSE(mv::open_key(HKEY_CURRENT_USER, path_ + L"\\no\\such\\key"));
}

TEST_F(registry, create_then_open_finds_the_key)
{
    mv::registry_key child = mv::create_key(key_, L"child");
    ASSERT_TRUE(child);
    mv::set_string(child, L"name", L"value");
    mv::registry_key opened = mv::open_key(HKEY_CURRENT_USER, path_ + L"\\child");
    ASSERT_TRUE(opened);
    std::wstring text;
    ASSERT_TRUE(mv::get_string(opened, L"name", text));
    EXPECT_EQ(text, L"value");
    // Creating an existing key opens it.
    mv::registry_key again = mv::create_key(key_, L"child");
    ASSERT_TRUE(again);
    EXPECT_TRUE(mv::get_string(again, L"name", text));
}

TEST_F(registry, string_round_trip)
{
    mv::set_string(key_, L"text", L"C:\\Program Files\\Tarvolith 7\\uninstall.exe /x");
    std::wstring text;
    ASSERT_TRUE(mv::get_string(key_, L"text", text));
    EXPECT_EQ(text, L"C:\\Program Files\\Tarvolith 7\\uninstall.exe /x");

    // Stored with its terminating NUL.
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(::RegQueryValueExW(key_.get(), L"text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD{REG_SZ});
    EXPECT_EQ(size, (text.size() + 1) * sizeof(wchar_t));

    mv::set_string(key_, L"empty", L"");
    text = L"stale";
    ASSERT_TRUE(mv::get_string(key_, L"empty", text));
    EXPECT_EQ(text, L"");
}

TEST_F(registry, missing_values_are_absent)
{
    std::wstring text = L"kept";
    EXPECT_FALSE(mv::get_string(key_, L"missing", text));
    EXPECT_EQ(text, L"kept");
    EXPECT_EQ(mv::get_dword(key_, L"missing"), std::nullopt);
    std::array<std::byte, 8> bytes{};
    EXPECT_FALSE(mv::get_binary(key_, L"missing", bytes.data(), bytes.size()));
}

TEST_F(registry, string_without_terminating_nul_is_absent)
{
    // A character that is not NUL follows the counted ones, so nothing adds a terminator.
    const wchar_t data[] = L"abcX";
    store(L"unterminated", REG_SZ, data, 3 * sizeof(wchar_t));
    std::wstring text = L"kept";
    EXPECT_FALSE(mv::get_string(key_, L"unterminated", text));
    EXPECT_EQ(text, L"kept");
}

TEST_F(registry, string_of_odd_size_or_another_type_is_absent)
{
    const char odd[] = "abc";
    store(L"odd", REG_SZ, odd, 3);
    const DWORD number = 7;
    store(L"number", REG_DWORD, &number, sizeof(number));
    std::wstring text;
    EXPECT_FALSE(mv::get_string(key_, L"odd", text));
    EXPECT_FALSE(mv::get_string(key_, L"number", text));
}

TEST_F(registry, empty_string_value_is_present_and_empty)
{
    store(L"zero bytes", REG_SZ, nullptr, 0);
    std::wstring text = L"stale";
    EXPECT_TRUE(mv::get_string(key_, L"zero bytes", text));
    EXPECT_EQ(text, L"");
}

TEST_F(registry, expandable_string_is_not_expanded)
{
    const std::wstring data = L"%SystemRoot%\\system32";
    store(L"expand", REG_EXPAND_SZ, data.c_str(), static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    std::wstring text;
    ASSERT_TRUE(mv::get_string(key_, L"expand", text));
    EXPECT_EQ(text, L"%SystemRoot%\\system32");
}

TEST_F(registry, string_keeps_characters_after_an_embedded_nul)
{
    const wchar_t data[] = {L'a', L'b', L'\0', L'c', L'd', L'\0'};
    store(L"embedded", REG_SZ, data, sizeof(data));
    std::wstring text;
    ASSERT_TRUE(mv::get_string(key_, L"embedded", text));
    EXPECT_EQ(text, std::wstring(data, 5));
}

TEST_F(registry, dword_round_trip)
{
    EXPECT_TRUE(mv::try_set_dword(key_, L"MvLanguage", 0xDEADBEEF));
    EXPECT_EQ(mv::get_dword(key_, L"MvLanguage"), std::optional<std::uint32_t>(0xDEADBEEF));
    EXPECT_TRUE(mv::try_set_dword(key_, L"MvLanguage", 1));
    EXPECT_EQ(mv::get_dword(key_, L"MvLanguage"), std::optional<std::uint32_t>(1));

    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(::RegQueryValueExW(key_.get(), L"MvLanguage", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD{REG_DWORD});
    EXPECT_EQ(size, 4u);
}

TEST_F(registry, dword_of_eight_bytes_raises_invalid_data)
{
    const std::uint64_t wide = 5;
    store(L"wide", REG_DWORD, &wide, sizeof(wide));
    try {
        (void)mv::get_dword(key_, L"wide");
        FAIL() << "a REG_DWORD of 8 bytes was read";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error_of(error), ERROR_INVALID_DATA);
        EXPECT_EQ(error.code().category(), std::system_category());
    }
}

TEST_F(registry, string_read_as_dword_is_none)
{
    const wchar_t data[] = L"12";  // 6 bytes: neither a number nor of a number's size
    store(L"text", REG_SZ, data, sizeof(data));
    EXPECT_EQ(mv::get_dword(key_, L"text"), std::nullopt);
    // Four bytes of text are still text.
    const wchar_t four[] = L"1";
    store(L"four", REG_SZ, four, sizeof(four));
    EXPECT_EQ(mv::get_dword(key_, L"four"), std::nullopt);
}

TEST_F(registry, binary_round_trip)
{
    const std::array<std::int32_t, 2> size{640, 480};
    mv::set_binary(key_, L"InstallerSize", size.data(), sizeof(size));
    std::array<std::int32_t, 2> read{};
    ASSERT_TRUE(mv::get_binary(key_, L"InstallerSize", read.data(), sizeof(read)));
    EXPECT_EQ(read, size);

    DWORD type = 0;
    ASSERT_EQ(::RegQueryValueExW(key_.get(), L"InstallerSize", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD{REG_BINARY});
}

TEST_F(registry, binary_of_another_size_or_type_is_absent)
{
    const std::array<std::byte, 12> twelve{};
    store(L"twelve", REG_BINARY, twelve.data(), sizeof(twelve));
    const std::uint64_t eight = 0x0000000200000001;
    store(L"as dword", REG_DWORD, &eight, 4);

    std::array<std::int32_t, 2> read{-1, -1};
    EXPECT_FALSE(mv::get_binary(key_, L"twelve", read.data(), sizeof(read)));
    EXPECT_FALSE(mv::get_binary(key_, L"as dword", read.data(), 4));
    EXPECT_EQ(read, (std::array<std::int32_t, 2>{-1, -1}));
}

TEST_F(registry, try_set_string_forms)
{
    EXPECT_TRUE(mv::try_set_string(key_, L"DisplayName", std::wstring(L"Tarvolith 7")));
    const wchar_t buffer[] = L"7.12dXYZ";
    EXPECT_TRUE(mv::try_set_string(key_, L"DisplayVersion", buffer, 5));
    std::wstring text;
    ASSERT_TRUE(mv::get_string(key_, L"DisplayName", text));
    EXPECT_EQ(text, L"Tarvolith 7");
    ASSERT_TRUE(mv::get_string(key_, L"DisplayVersion", text));
    EXPECT_EQ(text, L"7.12d");
}

TEST_F(registry, bool_writers_fail_quietly_on_an_empty_key)
{
    const mv::registry_key none;
    EXPECT_FALSE(mv::try_set_string(none, L"name", std::wstring(L"text")));
    EXPECT_FALSE(mv::try_set_string(none, L"name", L"text", 4));
    EXPECT_FALSE(mv::try_set_dword(none, L"name", 1));
}

TEST_F(registry, bool_writers_fail_quietly_without_write_access)
{
    HKEY raw = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ | view_32, &raw), ERROR_SUCCESS);
    const mv::registry_key read_only(raw);
    EXPECT_FALSE(mv::try_set_string(read_only, L"name", std::wstring(L"text")));
    EXPECT_FALSE(mv::try_set_dword(read_only, L"name", 1));
    try {
        mv::set_string(read_only, L"name", L"text");
        FAIL() << "a key opened for reading accepted a value";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error_of(error), ERROR_ACCESS_DENIED);
    }
    std::wstring text;
    EXPECT_FALSE(mv::get_string(key_, L"name", text));
}

TEST_F(registry, reading_from_an_empty_key_raises)
{
    const mv::registry_key none;
    std::wstring text;
    EXPECT_THROW(mv::get_string(none, L"name", text), std::system_error);
    EXPECT_THROW((void)mv::get_dword(none, L"name"), std::system_error);
    EXPECT_THROW(mv::set_binary(none, L"name", "x", 1), std::system_error);
    EXPECT_THROW(mv::create_key(none, L"child"), std::system_error);
}

TEST_F(registry, opening_without_access_raises_access_denied)
{
    // A key owned by SYSTEM that only Everyone may open; this thread then impersonates a token in which
    // Everyone is deny-only. Afterwards the process's own token opens and removes it again.
    {
        mv::registry_key child = mv::create_key(key_, L"locked");
        ASSERT_TRUE(child);
        PSECURITY_DESCRIPTOR raw = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:SYD:(A;;KA;;;WD)", SDDL_REVISION_1,
                                                                           &raw, nullptr));
        const local_memory descriptor(raw);
        const LSTATUS status =
            ::RegSetKeySecurity(child.get(), OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, raw);
        if (status == ERROR_INVALID_OWNER)
            GTEST_SKIP() << "giving a key another owner needs SeRestorePrivilege, which this process lacks";
        ASSERT_EQ(status, ERROR_SUCCESS);
    }

    mv::unique_handle process_token;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, process_token.put()));
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    allocated_sid everyone;
    ASSERT_TRUE(::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, everyone.put()));
    SID_AND_ATTRIBUTES deny_only{everyone.get(), 0};
    mv::unique_handle restricted;
    ASSERT_TRUE(::CreateRestrictedToken(process_token.get(), 0, 1, &deny_only, 0, nullptr, 0, nullptr,
                                        restricted.put()));
    mv::unique_handle impersonation;
    ASSERT_TRUE(::DuplicateToken(restricted.get(), SecurityImpersonation, impersonation.put()));

    LSTATUS status = ERROR_SUCCESS;
    {
        ASSERT_TRUE(::SetThreadToken(nullptr, impersonation.get()));
        const reverts_to_self guard;
        try {
            const mv::registry_key opened = mv::open_key(key_, L"locked");
            status = opened ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
        } catch (const std::system_error& error) {
            status = error_of(error);
        }
    }

    EXPECT_EQ(status, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(mv::open_key(key_, L"locked"));
}

TEST_F(registry, keys_live_in_the_32_bit_view)
{
    // HKEY_LOCAL_MACHINE\Software is split into two views on 64-bit Windows; the installer's keys are in
    // the 32-bit one whatever the width of the process that writes them.
    const std::wstring path = tests_root + L"\\view_" + std::to_wstring(::GetCurrentProcessId());
    try {
        mv::registry_key key = mv::create_key(HKEY_LOCAL_MACHINE, path);
        ASSERT_TRUE(key);
        mv::set_string(key, L"width", std::to_wstring(sizeof(void*) * 8));
    } catch (const std::system_error& error) {
        if (error_of(error) == ERROR_ACCESS_DENIED)
            GTEST_SKIP() << "writing under HKEY_LOCAL_MACHINE needs administrator rights";
        throw;
    }
    const auto open_in_view = [&](REGSAM view) {
        HKEY found = nullptr;
        const LSTATUS status = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &found);
        const mv::registry_key owner(found);
        return status;
    };
    const LSTATUS in_32 = open_in_view(KEY_WOW64_32KEY);
    const LSTATUS in_64 = open_in_view(KEY_WOW64_64KEY);

    BOOL wow64 = FALSE;
    ::IsWow64Process(::GetCurrentProcess(), &wow64);
    const bool two_views = sizeof(void*) == 8 || wow64;

    EXPECT_TRUE(mv::open_key(HKEY_LOCAL_MACHINE, path));
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_32KEY, 0);
    EXPECT_FALSE(mv::open_key(HKEY_LOCAL_MACHINE, path));
    remove_if_empty(HKEY_LOCAL_MACHINE, tests_root);
    remove_if_empty(HKEY_LOCAL_MACHINE, L"Software\\Merov & Dudidivi");

    EXPECT_EQ(in_32, ERROR_SUCCESS);
    EXPECT_EQ(in_64, two_views ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS);
}

TEST(registry_key, moves_transfer_ownership)
{
    mv::registry_key first = mv::open_key(HKEY_CURRENT_USER, L"Software");
    ASSERT_TRUE(first);
    const HKEY raw = first.get();

    mv::registry_key second(std::move(first));
    EXPECT_FALSE(first);  // NOLINT(bugprone-use-after-move): a moved-from key must be empty
    EXPECT_EQ(second.get(), raw);

    mv::registry_key third;
    third = std::move(second);
    EXPECT_FALSE(second);  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(third.get(), raw);

    // The handle survived both moves: it was not closed by the objects it left.
    DWORD subkeys = 0;
    EXPECT_EQ(::RegQueryInfoKeyW(third.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);

    // Assigning over a held key closes that one.
    third = mv::open_key(HKEY_CURRENT_USER, L"Software");
    ASSERT_TRUE(third);
    EXPECT_NE(third.get(), raw);
    EXPECT_EQ(::RegQueryInfoKeyW(raw, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE);
}

TEST(registry_key, predefined_roots_are_not_closed)
{
    EXPECT_TRUE(mv::registry_key_traits::is_predefined(HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(mv::registry_key_traits::is_predefined(HKEY_CURRENT_USER));
    EXPECT_TRUE(mv::registry_key_traits::is_predefined(HKEY_CLASSES_ROOT));
    mv::registry_key opened = mv::open_key(HKEY_CURRENT_USER, L"Software");
    ASSERT_TRUE(opened);
    EXPECT_FALSE(mv::registry_key_traits::is_predefined(opened.get()));
    {
        const mv::registry_key root(HKEY_CURRENT_USER);
        EXPECT_TRUE(root);
    }
    EXPECT_TRUE(mv::open_key(HKEY_CURRENT_USER, L"Software"));
}

} // namespace
