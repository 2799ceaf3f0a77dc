#include "engine/uninstall_entry.hpp"

#include "record/uninstall_log.hpp"
#include "startup/install_context.hpp"
#include "startup/languages.hpp"
#include "startup/product.hpp"
#include "system/registry_key.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using installer::record_kind;
using installer::write_uninstall_entry;

namespace {

constexpr wchar_t main_program[] = L"C:\\Program Files\\Merov & Dudidivi\\Tarvolith 7\\Tarvolith.exe";
constexpr wchar_t uninstaller[] = L"C:\\Program Files\\Merov & Dudidivi\\Tarvolith 7\\Uninstall.exe";

struct stored_value {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// Every value of a key, by name, as the registry holds it.
std::map<std::wstring, stored_value> all_values(const mv::registry_key& key)
{
    std::map<std::wstring, stored_value> values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD name_length = 256;
        stored_value value;
        value.data.resize(4096);
        DWORD size = static_cast<DWORD>(value.data.size());
        if (::RegEnumValueW(key.get(), index, name, &name_length, nullptr, &value.type, value.data.data(), &size) !=
            ERROR_SUCCESS)
            break;
        value.data.resize(size);
        values[std::wstring(name, name_length)] = value;
    }
    return values;
}

// A REG_SZ value as the registry holds it: the text and its terminating NUL.
stored_value text_value(const std::wstring& text)
{
    stored_value value{REG_SZ, std::vector<BYTE>((text.size() + 1) * sizeof(wchar_t), 0)};
    std::memcpy(value.data.data(), text.c_str(), text.size() * sizeof(wchar_t));
    return value;
}

stored_value dword_value(std::uint32_t number)
{
    stored_value value{REG_DWORD, std::vector<BYTE>(sizeof number)};
    std::memcpy(value.data.data(), &number, sizeof number);
    return value;
}

// The twelve values exactly: names, types, data and sizes; `other_values` more that were there before.
void expect_entry(const mv::registry_key& key, std::uint32_t language, std::size_t other_values = 0)
{
    const std::map<std::wstring, stored_value> values = all_values(key);
    EXPECT_EQ(values.size(), 12 + other_values);
    const std::wstring address = L"https://www.merov-dudidivi.example/";
    const std::map<std::wstring, stored_value> expected = {
        {L"DisplayName", text_value(L"Tarvolith 7.12d")},
        {L"UninstallString", text_value(uninstaller)},
        {L"DisplayIcon", text_value(std::wstring(main_program) + L",0")},
        {L"DisplayVersion", text_value(L"7.12.4.1")},
        {L"Publisher", text_value(L"Merov & Dudidivi")},
        {L"URLInfoAbout", text_value(address)},
        {L"HelpLink", text_value(address)},
        {L"URLUpdateInfo", text_value(address)},
        {L"HelpTelephone", text_value(L"+1 555 0100")},
        {L"NoModify", dword_value(1)},
        {L"NoRepair", dword_value(1)},
        {L"MvLanguage", dword_value(language)},
    };
    for (const auto& [name, value] : expected) {
        SCOPED_TRACE(test_support::utf8(name));
        const auto found = values.find(name);
        ASSERT_NE(found, values.end());
        EXPECT_EQ(found->second.type, value.type);
        EXPECT_EQ(found->second.data, value.data);
    }
}

// An Uninstall key of the test's own below HKEY_CURRENT_USER, a log that writes there, and a temporary
// folder that receives the backups.
class uninstall_entry : public ::testing::Test {
protected:
    uninstall_entry()
    {
        log.uninstall_key_location = {HKEY_CURRENT_USER, root + L"\\Uninstall", L"Tarvolith 7"};
        mv::create_key(HKEY_CURRENT_USER, log.uninstall_key_location.parent);
    }
    ~uninstall_entry() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str()); }

    mv::registry_key product_key() const
    {
        return mv::open_key(HKEY_CURRENT_USER, log.uninstall_key_location.path());
    }

    std::wstring root = L"Software\\Merov & Dudidivi\\Tests\\entry_" + std::to_wstring(::GetCurrentProcessId());
    test_support::temp_folder temporary;
    test_support::redirected_temp redirect{temporary.path()};
    installer::uninstall_log log;
};

// Gives a key of HKEY_CURRENT_USER an open DACL again when destroyed, through its owner's right to change
// the DACL, so that the test's keys can be removed.
struct dacl_restorer {
    std::wstring path;
    ~dacl_restorer()
    {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS)
            return;
        const mv::registry_key owner(key);
        SECURITY_DESCRIPTOR open;
        ::InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
        ::SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
        ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &open);
    }
};

} // namespace

TEST(uninstall_entry_values, are_the_twelve_in_their_order_and_only_two_decide)
{
    const auto values = installer::uninstall_entry_values(main_program, uninstaller, 3);
    const std::vector<std::wstring> order = {L"DisplayName",   L"UninstallString", L"DisplayIcon", L"DisplayVersion",
                                             L"Publisher",     L"URLInfoAbout",    L"HelpLink",    L"URLUpdateInfo",
                                             L"HelpTelephone", L"NoModify",        L"NoRepair",    L"MvLanguage"};
    ASSERT_EQ(values.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(values[i].name, order[i]);
        EXPECT_EQ(values[i].required, i < 2) << i;
        EXPECT_EQ(values[i].type, static_cast<DWORD>(i < 9 ? REG_SZ : REG_DWORD)) << i;
    }
    EXPECT_EQ(values[11].number, 3u);
}

TEST_F(uninstall_entry, a_first_write_creates_the_key_with_exactly_the_twelve_values)
{
    EXPECT_TRUE(write_uninstall_entry(log, main_program, uninstaller, 2));
    const mv::registry_key key = product_key();
    ASSERT_TRUE(key);
    expect_entry(key, 2);

    ASSERT_EQ(log.records.size(), 1u);
    const installer::log_record& record = log.records.back();
    EXPECT_EQ(record.kind, record_kind::uninstall_key);
    EXPECT_TRUE(record.done);
    EXPECT_TRUE(record.backup_path.empty());
    EXPECT_FALSE(record.existed_before);
    EXPECT_FALSE(log.pending);
}

TEST_F(uninstall_entry, a_second_write_keeps_other_values_and_backs_the_key_up)
{
    {
        const mv::registry_key key = mv::create_key(HKEY_CURRENT_USER, log.uninstall_key_location.path());
        mv::set_string(key, L"DisplayName", L"Tarvolith 7.12c");
        mv::set_string(key, L"Comments", L"kept");
        ASSERT_TRUE(mv::try_set_dword(key, L"MvLanguage", 9));
    }
    EXPECT_TRUE(write_uninstall_entry(log, main_program, uninstaller, 1));
    const mv::registry_key key = product_key();
    expect_entry(key, 1, 1);
    std::wstring comments;
    EXPECT_TRUE(mv::get_string(key, L"Comments", comments));
    EXPECT_EQ(comments, L"kept");

    ASSERT_EQ(log.records.size(), 1u);
    const installer::log_record& record = log.records.back();
    EXPECT_TRUE(record.done);
    EXPECT_TRUE(record.existed_before);
    ASSERT_FALSE(record.backup_path.empty());
    EXPECT_EQ(record.backup_path.rfind(temporary.path(), 0), 0u);
    EXPECT_NE(::GetFileAttributesW(record.backup_path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(uninstall_entry, a_missing_uninstall_key_gives_false_and_no_record)
{
    log.uninstall_key_location.parent = root + L"\\Missing";
    EXPECT_FALSE(write_uninstall_entry(log, main_program, uninstaller, 1));
    EXPECT_TRUE(log.records.empty());
    EXPECT_FALSE(log.pending);
    EXPECT_FALSE(mv::open_key(HKEY_CURRENT_USER, log.uninstall_key_location.parent));
}

TEST_F(uninstall_entry, a_key_that_cannot_be_created_gives_false_and_no_record)
{
    // A volatile key takes no lasting subkey.
    log.uninstall_key_location.parent = root + L"\\Volatile";
    HKEY volatile_key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, log.uninstall_key_location.parent.c_str(), 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &volatile_key, nullptr),
              ERROR_SUCCESS);
    const mv::registry_key owner(volatile_key);
    EXPECT_FALSE(write_uninstall_entry(log, main_program, uninstaller, 1));
    EXPECT_TRUE(log.records.empty());
    EXPECT_FALSE(product_key());
}

TEST_F(uninstall_entry, a_key_that_cannot_be_backed_up_is_still_written_and_kept_on_a_rollback)
{
    {
        const mv::registry_key key = mv::create_key(HKEY_CURRENT_USER, log.uninstall_key_location.path());
        mv::set_string(key, L"DisplayName", L"Tarvolith 7.12c");
    }
    // No temporary folder: no name can be drawn for the backup.
    const test_support::redirected_temp nowhere(temporary / L"missing");
    EXPECT_TRUE(write_uninstall_entry(log, main_program, uninstaller, 1));
    expect_entry(product_key(), 1);
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_TRUE(log.records.back().done);
    EXPECT_TRUE(log.records.back().backup_path.empty());
    EXPECT_TRUE(log.records.back().existed_before);

    log.rollback();
    EXPECT_TRUE(product_key());
}

TEST_F(uninstall_entry, a_key_that_denies_writing_gives_false_and_a_record_not_done)
{
    {
        // An empty DACL: nobody may do anything with the key but its owner read and change the DACL.
        const mv::registry_key key = mv::create_key(HKEY_CURRENT_USER, log.uninstall_key_location.path());
        SECURITY_DESCRIPTOR descriptor;
        ACL empty;
        ASSERT_TRUE(::InitializeAcl(&empty, sizeof empty, ACL_REVISION));
        ASSERT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
        ASSERT_TRUE(::SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE));
        ASSERT_EQ(::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
    }
    const dacl_restorer restore{log.uninstall_key_location.path()};
    HKEY probe = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, log.uninstall_key_location.path().c_str(), 0, KEY_SET_VALUE, &probe) ==
        ERROR_SUCCESS) {
        ::RegCloseKey(probe);
        GTEST_SKIP() << "Wine does not check a registry key's DACL";
    }
    EXPECT_FALSE(write_uninstall_entry(log, main_program, uninstaller, 1));
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_FALSE(log.records.back().done);
    EXPECT_FALSE(log.pending);
}

namespace {

// The product's real key is removed before and after the test, and the Uninstall key too when the test had
// to make it (a fresh Wine prefix has none). Both through the registry view that the installer uses, which a
// 64-bit test program must name.
struct machine_key_guard {
    machine_key_guard()
    {
        remove_product();
        made_parent = !mv::open_key(location.root, location.parent);
        if (made_parent)
            mv::create_key(location.root, location.parent);
    }
    ~machine_key_guard()
    {
        remove_product();
        if (made_parent)
            ::RegDeleteKeyExW(location.root, location.parent.c_str(), KEY_WOW64_32KEY, 0);
    }
    void remove_product() const
    {
        const mv::registry_key parent = mv::open_key(location.root, location.parent);
        if (parent)
            ::RegDeleteTreeW(parent.get(), location.name.c_str());
    }
    installer::registry_location location = installer::product_uninstall_key();
    bool made_parent = false;
};

} // namespace

TEST(uninstall_entry_machine, the_installation_writes_the_products_key_with_its_current_language)
{
    machine_key_guard guard;
    test_support::temp_folder temporary;
    const test_support::redirected_temp redirect(temporary.path());
    installer::install_context& context = installer::install_context::instance();
    context.uninstall_log = installer::uninstall_log();
    const int language = installer::language_state::instance().index;
    installer::set_language(2);

    const bool ok = write_uninstall_entry(context, main_program, uninstaller);
    installer::set_language(language);
    EXPECT_TRUE(ok);
    const mv::registry_key key = mv::open_key(HKEY_LOCAL_MACHINE, installer::product_uninstall_key().path());
    ASSERT_TRUE(key);
    expect_entry(key, 2);
    ASSERT_EQ(context.uninstall_log.records.size(), 1u);
    EXPECT_EQ(installer::record_text(context.uninstall_log.records.back()),
              L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarvolith 7");
    context.uninstall_log = installer::uninstall_log();
}
