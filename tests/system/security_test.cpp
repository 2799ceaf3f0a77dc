#include "system/advapi_binding.hpp"
#include "system/scoped_privilege.hpp"
#include "system/security.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <sddl.h>

#include <array>
#include <optional>
#include <ostream>
#include <cstring>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace {

struct local_memory_traits {
    using type = void*;
    static type invalid() noexcept { return nullptr; }
    static void close(type memory) noexcept { ::LocalFree(memory); }
};
using local_memory = mv::unique_any<local_memory_traits>;

const wchar_t* const users = L"S-1-5-32-545";
const wchar_t* const administrators = L"S-1-5-32-544";
const wchar_t* const system_account = L"S-1-5-18";
const wchar_t* const creator_owner = L"S-1-3-0";
const wchar_t* const authenticated = L"S-1-5-11";

local_memory sid_of(const std::wstring& text)
{
    PSID sid = nullptr;
    if (!::ConvertStringSidToSidW(text.c_str(), &sid))
        throw std::runtime_error("bad SID text");
    return local_memory(sid);
}

std::wstring text_of(PSID sid)
{
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text))
        return L"?";
    const local_memory owner(text);
    return text;
}

// One ACE as a test states and reads it.
struct ace {
    BYTE type = ACCESS_ALLOWED_ACE_TYPE;
    BYTE flags = 0;
    ACCESS_MASK mask = 0;
    std::wstring sid;

    bool operator==(const ace&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ace& entry)
{
    std::string sid(entry.sid.begin(), entry.sid.end());
    return out << "{type " << int(entry.type) << ", flags 0x" << std::hex << int(entry.flags) << ", mask 0x"
               << entry.mask << std::dec << ", " << sid << "}";
}

ace allowed(const wchar_t* sid, ACCESS_MASK mask, BYTE flags = 0)
{
    return {ACCESS_ALLOWED_ACE_TYPE, flags, mask, sid};
}

ace denied(const wchar_t* sid, ACCESS_MASK mask, BYTE flags = 0)
{
    return {ACCESS_DENIED_ACE_TYPE, flags, mask, sid};
}

// An ACL with these ACEs, in this order, made by the system's own functions.
std::vector<std::byte> make_acl(const std::vector<ace>& entries)
{
    std::vector<std::byte> bytes(1024);
    auto* acl = reinterpret_cast<ACL*>(bytes.data());
    if (!::InitializeAcl(acl, static_cast<DWORD>(bytes.size()), ACL_REVISION))
        throw std::runtime_error("InitializeAcl");
    for (const ace& entry : entries) {
        const local_memory sid = sid_of(entry.sid);
        const BOOL added =
            entry.type == ACCESS_DENIED_ACE_TYPE
                ? ::AddAccessDeniedAceEx(acl, ACL_REVISION, entry.flags, entry.mask, sid.get())
                : ::AddAccessAllowedAceEx(acl, ACL_REVISION, entry.flags, entry.mask, sid.get());
        if (!added)
            throw std::runtime_error("AddAccess*AceEx");
    }
    return bytes;
}

std::vector<ace> aces_of(const ACL* acl)
{
    std::vector<ace> entries;
    ACL_SIZE_INFORMATION size{};
    if (!::GetAclInformation(const_cast<ACL*>(acl), &size, sizeof(size), AclSizeInformation))
        throw std::runtime_error("GetAclInformation");
    for (DWORD index = 0; index < size.AceCount; ++index) {
        void* raw = nullptr;
        if (!::GetAce(const_cast<ACL*>(acl), index, &raw))
            throw std::runtime_error("GetAce");
        const auto* header = static_cast<const ACE_HEADER*>(raw);
        const auto* allowed_ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);  // denied ACEs share the layout
        std::wstring sid = L"(object)";
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE)
            sid = text_of(const_cast<DWORD*>(&allowed_ace->SidStart));
        entries.push_back({header->AceType, header->AceFlags, allowed_ace->Mask, sid});
    }
    return entries;
}

// An absolute descriptor over an ACL that the test keeps alive.
struct descriptor {
    SECURITY_DESCRIPTOR sd{};
    std::vector<std::byte> acl;

    descriptor() { ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION); }
    explicit descriptor(const std::vector<ace>& entries, SECURITY_DESCRIPTOR_CONTROL control = 0)
        : descriptor()
    {
        acl = make_acl(entries);
        ::SetSecurityDescriptorDacl(&sd, TRUE, reinterpret_cast<ACL*>(acl.data()), FALSE);
        if (control)
            ::SetSecurityDescriptorControl(&sd, control, control);
    }
    descriptor(const descriptor&) = delete;
    descriptor& operator=(const descriptor&) = delete;
};

constexpr ACCESS_MASK read_only = FILE_GENERIC_READ;
constexpr ACCESS_MASK shared_data = 0x13019F;

TEST(security_dacl, absent_or_null_dacl_counts_as_empty)
{
    descriptor without_dacl;
    descriptor null_dacl;
    ASSERT_TRUE(::SetSecurityDescriptorDacl(&null_dacl.sd, TRUE, nullptr, FALSE));
    for (PSECURITY_DESCRIPTOR old : {PSECURITY_DESCRIPTOR{}, PSECURITY_DESCRIPTOR{&without_dacl.sd},
                                     PSECURITY_DESCRIPTOR{&null_dacl.sd}}) {
        const mv::users_dacl composed = mv::compose_users_dacl(old, FILE_ALL_ACCESS, 3);
        EXPECT_EQ(aces_of(composed.acl.get()), std::vector<ace>{allowed(users, FILE_ALL_ACCESS, 3)});
        EXPECT_EQ(composed.control, 0);
        // Exactly as large as the header and the one ACE need.
        const local_memory sid = sid_of(users);
        EXPECT_EQ(composed.acl.get()->AclSize, sizeof(ACL) + 8 + ::GetLengthSid(sid.get()));
        EXPECT_TRUE(::IsValidAcl(composed.acl.get()));
    }
}

TEST(security_dacl, explicit_users_ace_is_replaced)
{
    descriptor old({allowed(administrators, FILE_ALL_ACCESS, 3), allowed(users, read_only, 3),
                    allowed(system_account, FILE_ALL_ACCESS, 3)});
    const mv::users_dacl composed = mv::compose_users_dacl(&old.sd, FILE_ALL_ACCESS, 3);
    EXPECT_EQ(aces_of(composed.acl.get()),
              (std::vector<ace>{allowed(administrators, FILE_ALL_ACCESS, 3),
                                allowed(system_account, FILE_ALL_ACCESS, 3), allowed(users, FILE_ALL_ACCESS, 3)}));
}

TEST(security_dacl, inherited_users_ace_is_dropped)
{
    descriptor old({allowed(administrators, FILE_ALL_ACCESS), allowed(users, read_only, 3 | INHERITED_ACE),
                    allowed(creator_owner, GENERIC_ALL, 0x0B | INHERITED_ACE)});
    const mv::users_dacl composed = mv::compose_users_dacl(&old.sd, shared_data, 0);
    EXPECT_EQ(aces_of(composed.acl.get()),
              (std::vector<ace>{allowed(administrators, FILE_ALL_ACCESS), allowed(users, shared_data),
                                allowed(creator_owner, GENERIC_ALL, 0x0B | INHERITED_ACE)}));
}

TEST(security_dacl, other_accounts_keep_their_order_around_the_new_ace)
{
    descriptor old({denied(authenticated, DELETE), allowed(users, read_only),
                    allowed(administrators, FILE_ALL_ACCESS, 3), denied(users, DELETE, 3), allowed(system_account, FILE_ALL_ACCESS, 3),
                    allowed(creator_owner, GENERIC_ALL, 0x0B | INHERITED_ACE),
                    allowed(users, read_only, 3 | INHERITED_ACE),
                    allowed(administrators, FILE_ALL_ACCESS, 3 | INHERITED_ACE),
                    // An explicit ACE after an inherited one stays after the inherited ones.
                    allowed(authenticated, read_only)});
    const mv::users_dacl composed = mv::compose_users_dacl(&old.sd, FILE_ALL_ACCESS, 3);
    EXPECT_EQ(aces_of(composed.acl.get()),
              (std::vector<ace>{denied(authenticated, DELETE), allowed(administrators, FILE_ALL_ACCESS, 3),
                                allowed(system_account, FILE_ALL_ACCESS, 3), allowed(users, FILE_ALL_ACCESS, 3),
                                allowed(creator_owner, GENERIC_ALL, 0x0B | INHERITED_ACE),
                                allowed(administrators, FILE_ALL_ACCESS, 3 | INHERITED_ACE),
                                allowed(authenticated, read_only)}));
    EXPECT_TRUE(::IsValidAcl(composed.acl.get()));
}

TEST(security_dacl, only_inherited_aces_put_the_users_ace_first)
{
    descriptor old({allowed(system_account, FILE_ALL_ACCESS, 3 | INHERITED_ACE),
                    allowed(users, read_only, 3 | INHERITED_ACE)});
    const mv::users_dacl composed = mv::compose_users_dacl(&old.sd, FILE_ALL_ACCESS, 3);
    EXPECT_EQ(aces_of(composed.acl.get()), (std::vector<ace>{allowed(users, FILE_ALL_ACCESS, 3),
                                                             allowed(system_account, FILE_ALL_ACCESS,
                                                                     3 | INHERITED_ACE)}));
}

// An object ACE (as directory services use) with the GUIDs its flags announce, laid out by hand.
std::vector<std::byte> object_ace(const wchar_t* sid_text, DWORD object_flags)
{
    const local_memory sid = sid_of(sid_text);
    const GUID type{0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    std::vector<std::byte> bytes(sizeof(ACE_HEADER) + 2 * sizeof(DWORD));
    for (const DWORD flag : {DWORD{ACE_OBJECT_TYPE_PRESENT}, DWORD{ACE_INHERITED_OBJECT_TYPE_PRESENT}})
        if (object_flags & flag) {
            const auto* guid = reinterpret_cast<const std::byte*>(&type);
            bytes.insert(bytes.end(), guid, guid + sizeof(type));
        }
    const auto* sid_bytes = static_cast<const std::byte*>(sid.get());
    bytes.insert(bytes.end(), sid_bytes, sid_bytes + ::GetLengthSid(sid.get()));
    ACE_HEADER header{ACCESS_ALLOWED_OBJECT_ACE_TYPE, 0, static_cast<WORD>(bytes.size())};
    const DWORD mask = FILE_GENERIC_READ;
    std::memcpy(bytes.data(), &header, sizeof(header));
    std::memcpy(bytes.data() + sizeof(header), &mask, sizeof(mask));
    std::memcpy(bytes.data() + sizeof(header) + sizeof(mask), &object_flags, sizeof(object_flags));
    return bytes;
}

TEST(security_dacl, object_ace_for_users_is_dropped_too)
{
    std::vector<std::byte> bytes(512);
    auto* acl = reinterpret_cast<ACL*>(bytes.data());
    ASSERT_TRUE(::InitializeAcl(acl, static_cast<DWORD>(bytes.size()), ACL_REVISION_DS));
    for (std::vector<std::byte> entry :
         {object_ace(users, ACE_OBJECT_TYPE_PRESENT),
          object_ace(administrators, ACE_OBJECT_TYPE_PRESENT | ACE_INHERITED_OBJECT_TYPE_PRESENT),
          object_ace(users, ACE_INHERITED_OBJECT_TYPE_PRESENT), object_ace(users, 0)})
        ASSERT_TRUE(::AddAce(acl, ACL_REVISION_DS, MAXDWORD, entry.data(), static_cast<DWORD>(entry.size())));
    descriptor old;
    ASSERT_TRUE(::SetSecurityDescriptorDacl(&old.sd, TRUE, acl, FALSE));

    const mv::users_dacl composed = mv::compose_users_dacl(&old.sd, FILE_ALL_ACCESS, 0);
    const std::vector<ace> entries = aces_of(composed.acl.get());
    ASSERT_EQ(entries.size(), 2u);
    // The administrators' object ACE is kept byte for byte; every one for Users is gone.
    void* kept = nullptr;
    ASSERT_TRUE(::GetAce(composed.acl.get(), 0, &kept));
    const std::vector<std::byte> admins_ace =
        object_ace(administrators, ACE_OBJECT_TYPE_PRESENT | ACE_INHERITED_OBJECT_TYPE_PRESENT);
    EXPECT_EQ(std::memcmp(kept, admins_ace.data(), admins_ace.size()), 0);
    EXPECT_EQ(entries[1], allowed(users, FILE_ALL_ACCESS));
}

TEST(security_dacl, inheritance_flags_reach_the_new_ace)
{
    descriptor old({allowed(administrators, FILE_ALL_ACCESS)});
    const std::vector<ace> inheriting = aces_of(mv::compose_users_dacl(&old.sd, FILE_ALL_ACCESS, 3).acl.get());
    ASSERT_EQ(inheriting.size(), 2u);
    EXPECT_EQ(inheriting[1].flags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    const std::vector<ace> plain = aces_of(mv::compose_users_dacl(&old.sd, shared_data, 0).acl.get());
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(plain[1], allowed(users, shared_data, 0));
}

TEST(security_dacl, inheritance_control_is_carried_over)
{
    const std::vector<ace> entries{allowed(administrators, FILE_ALL_ACCESS)};
    descriptor plain(entries);
    descriptor protected_dacl(entries, SE_DACL_PROTECTED);
    descriptor auto_inherited(entries, SE_DACL_AUTO_INHERITED);
    descriptor both(entries, SE_DACL_AUTO_INHERITED | SE_DACL_PROTECTED);

    EXPECT_EQ(mv::compose_users_dacl(&plain.sd, FILE_ALL_ACCESS, 3).control, 0);
    EXPECT_EQ(mv::compose_users_dacl(&protected_dacl.sd, FILE_ALL_ACCESS, 3).control, SE_DACL_PROTECTED);
    EXPECT_EQ(mv::compose_users_dacl(&auto_inherited.sd, FILE_ALL_ACCESS, 3).control, 0x500);
    EXPECT_EQ(mv::compose_users_dacl(&both.sd, FILE_ALL_ACCESS, 3).control, 0x500);
}

TEST(security_dacl, self_relative_descriptor_as_files_report_it)
{
    descriptor absolute({allowed(system_account, FILE_ALL_ACCESS, 3), allowed(users, read_only, 3 | INHERITED_ACE)},
                        SE_DACL_AUTO_INHERITED);
    DWORD size = 0;
    ::MakeSelfRelativeSD(&absolute.sd, nullptr, &size);
    ASSERT_GT(size, 0u);
    std::vector<std::byte> relative(size);
    ASSERT_TRUE(::MakeSelfRelativeSD(&absolute.sd, relative.data(), &size));

    const mv::users_dacl composed = mv::compose_users_dacl(relative.data(), FILE_ALL_ACCESS, 3);
    EXPECT_EQ(aces_of(composed.acl.get()),
              (std::vector<ace>{allowed(system_account, FILE_ALL_ACCESS, 3), allowed(users, FILE_ALL_ACCESS, 3)}));
    EXPECT_EQ(composed.control, 0x500);
}

TEST(security_dacl, descriptor_carries_the_acl_and_the_control)
{
    mv::users_dacl composed = mv::compose_users_dacl(nullptr, FILE_ALL_ACCESS, 3);
    ACL* const acl = composed.acl.get();
    mv::dacl_descriptor built(std::move(composed.acl), SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ);
    EXPECT_TRUE(::IsValidSecurityDescriptor(built.get()));

    BOOL present = FALSE;
    BOOL defaulted = TRUE;
    ACL* dacl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(built.get(), &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_FALSE(defaulted);
    EXPECT_EQ(dacl, acl);

    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(::GetSecurityDescriptorControl(built.get(), &control, &revision));
    EXPECT_EQ(control & (SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ | SE_DACL_PROTECTED),
              SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ);
    EXPECT_TRUE(control & SE_DACL_PRESENT);

    mv::dacl_descriptor protected_one(mv::everyone_acl(GENERIC_READ), SE_DACL_PROTECTED);
    ASSERT_TRUE(::GetSecurityDescriptorControl(protected_one.get(), &control, &revision));
    EXPECT_EQ(control & (SE_DACL_AUTO_INHERITED | SE_DACL_PROTECTED), SE_DACL_PROTECTED);
}

TEST(security_grant, missing_path_fails)
{
    test_support::temp_folder folder;
    EXPECT_FALSE(mv::grant_access(folder / L"missing", FILE_ALL_ACCESS, 3));
    EXPECT_FALSE(mv::grant_access(folder / L"missing\\deeper.txt", shared_data, 0));
}

TEST(security_grant, folder_gets_one_users_ace)
{
    test_support::temp_folder folder;
    const std::wstring path = folder / L"shared";
    ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr));
    ASSERT_TRUE(mv::grant_access(path, read_only, 3));
    ASSERT_TRUE(mv::grant_access(path, FILE_ALL_ACCESS, 3));

    DWORD size = 0;
    ::GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    ASSERT_GT(size, 0u);
    std::vector<std::byte> bytes(size);
    ASSERT_TRUE(::GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, bytes.data(), size, &size));
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    ACL* dacl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(bytes.data(), &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl);
    std::vector<ace> users_aces;
    for (const ace& entry : aces_of(dacl))
        if (entry.sid == users)
            users_aces.push_back(entry);
    if (users_aces.empty() && test_support::on_wine())
        GTEST_SKIP() << "Wine reports a DACL made from the Unix mode bits, not the ACEs that were set";
    EXPECT_EQ(users_aces, std::vector<ace>{allowed(users, FILE_ALL_ACCESS, 3)});
}

TEST(security_everyone, acl_has_one_ace_for_everyone)
{
    const mv::acl_buffer acl = mv::everyone_acl(MUTEX_ALL_ACCESS);
    ASSERT_TRUE(acl);
    EXPECT_TRUE(::IsValidAcl(acl.get()));
    EXPECT_EQ(aces_of(acl.get()), std::vector<ace>{allowed(L"S-1-1-0", MUTEX_ALL_ACCESS)});
    const local_memory everyone = sid_of(L"S-1-1-0");
    EXPECT_EQ(acl.size(), ::GetLengthSid(everyone.get()) + 16);
    EXPECT_EQ(acl.get()->AclSize, acl.size());

    EXPECT_EQ(aces_of(mv::everyone_acl(SEMAPHORE_ALL_ACCESS).get()),
              std::vector<ace>{allowed(L"S-1-1-0", SEMAPHORE_ALL_ACCESS)});
}

TEST(security_everyone, acl_opens_a_named_object_to_everyone)
{
    mv::dacl_descriptor descriptor(mv::everyone_acl(MUTEX_ALL_ACCESS));
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
    const std::wstring name = L"tarvolith_test_everyone_" + std::to_wstring(::GetCurrentProcessId());
    mv::unique_handle mutex(::CreateMutexW(&attributes, FALSE, name.c_str()));
    ASSERT_TRUE(mutex);

    DWORD size = 0;
    ::GetKernelObjectSecurity(mutex.get(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    ASSERT_GT(size, 0u);
    std::vector<std::byte> bytes(size);
    ASSERT_TRUE(::GetKernelObjectSecurity(mutex.get(), DACL_SECURITY_INFORMATION, bytes.data(), size, &size));
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    ACL* dacl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(bytes.data(), &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl);
    EXPECT_EQ(aces_of(dacl), std::vector<ace>{allowed(L"S-1-1-0", MUTEX_ALL_ACCESS)});
}

TEST(security_sid, well_known_accounts)
{
    const std::array<std::pair<mv::well_known_account, const wchar_t*>, 3> expected{{
        {mv::well_known_account::everyone, L"S-1-1-0"},
        {mv::well_known_account::administrators, administrators},
        {mv::well_known_account::users, users},
    }};
    for (const auto& [kind, text] : expected) {
        const mv::unique_sid sid = mv::well_known_sid(kind);
        ASSERT_TRUE(sid);
        const local_memory reference = sid_of(text);
        EXPECT_TRUE(::EqualSid(sid.get(), reference.get())) << static_cast<int>(kind);
        EXPECT_EQ(text_of(sid.get()), text);
    }
    EXPECT_EQ(static_cast<int>(mv::well_known_account::everyone), 0);
    EXPECT_EQ(static_cast<int>(mv::well_known_account::administrators), 1);
    EXPECT_EQ(static_cast<int>(mv::well_known_account::users), 2);
    EXPECT_THROW(mv::well_known_sid(static_cast<mv::well_known_account>(3)), std::invalid_argument);
}

TEST(security_admin, membership_and_access_check_agree)
{
    const bool member = mv::is_admin();
    EXPECT_EQ(mv::is_admin_by_access_check(), member);

    const local_memory admins = sid_of(administrators);
    BOOL direct = FALSE;
    ASSERT_TRUE(::CheckTokenMembership(nullptr, admins.get(), &direct));
    EXPECT_EQ(member, direct != FALSE);
    if (test_support::on_wine()) {
        EXPECT_TRUE(member) << "Wine's user is an administrator";
    }

    // The access check impersonates; it must leave the thread without a token of its own.
    mv::unique_handle thread_token;
    EXPECT_FALSE(::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, thread_token.put()));
    EXPECT_EQ(::GetLastError(), DWORD{ERROR_NO_TOKEN});
}

// The attributes of a privilege in the process token; none when the token does not hold it.
std::optional<DWORD> privilege_state(const wchar_t* name)
{
    LUID id{};
    if (!::LookupPrivilegeValueW(nullptr, name, &id))
        return std::nullopt;
    mv::unique_handle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return std::nullopt;
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
    std::vector<std::byte> bytes(size);
    if (!::GetTokenInformation(token.get(), TokenPrivileges, bytes.data(), size, &size))
        return std::nullopt;
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(bytes.data());
    for (DWORD index = 0; index < privileges->PrivilegeCount; ++index) {
        const LUID& luid = privileges->Privileges[index].Luid;
        if (luid.LowPart == id.LowPart && luid.HighPart == id.HighPart)
            return privileges->Privileges[index].Attributes;
    }
    return std::nullopt;
}

TEST(security_privilege, backup_privilege_is_switched_on_and_off)
{
    const std::optional<DWORD> before = privilege_state(L"SeBackupPrivilege");
    if (!before)
        GTEST_SKIP() << "this process's token does not hold SeBackupPrivilege (not an administrator)";
    const bool was_enabled = (*before & SE_PRIVILEGE_ENABLED) != 0;

    EXPECT_TRUE(mv::enable_privilege(L"SeBackupPrivilege", true));
    EXPECT_TRUE(privilege_state(L"SeBackupPrivilege").value_or(0) & SE_PRIVILEGE_ENABLED);
    // Enabling what is enabled already succeeds too.
    EXPECT_TRUE(mv::enable_privilege(L"SeBackupPrivilege", true));
    EXPECT_TRUE(privilege_state(L"SeBackupPrivilege").value_or(0) & SE_PRIVILEGE_ENABLED);

    EXPECT_TRUE(mv::enable_privilege(L"SeBackupPrivilege", false));
    EXPECT_FALSE(privilege_state(L"SeBackupPrivilege").value_or(SE_PRIVILEGE_ENABLED) & SE_PRIVILEGE_ENABLED);

    EXPECT_TRUE(mv::enable_privilege(L"SeBackupPrivilege", was_enabled));
}

TEST(security_privilege, scoped_privilege_lasts_as_long_as_its_scope)
{
    const std::optional<DWORD> before = privilege_state(L"SeRestorePrivilege");
    if (!before)
        GTEST_SKIP() << "this process's token does not hold SeRestorePrivilege (not an administrator)";
    const bool was_enabled = (*before & SE_PRIVILEGE_ENABLED) != 0;
    ASSERT_TRUE(mv::enable_privilege(L"SeRestorePrivilege", false));

    const auto enabled = [] {
        return (privilege_state(L"SeRestorePrivilege").value_or(0) & SE_PRIVILEGE_ENABLED) != 0;
    };
    {
        const mv::scoped_privilege restore(L"SeRestorePrivilege");
        EXPECT_TRUE(enabled());
    }
    EXPECT_FALSE(enabled());
    try {
        const mv::scoped_privilege restore(L"SeRestorePrivilege");
        EXPECT_TRUE(enabled());
        throw std::runtime_error("leaves the scope early");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(enabled()) << "switched off on the way out of an error too";
    {
        const mv::scoped_privilege missing(L"SeNoSuchPrivilege");  // a failure is not reported
    }
    EXPECT_TRUE(mv::enable_privilege(L"SeRestorePrivilege", was_enabled));
}

TEST(security_privilege, privilege_the_token_lacks_fails)
{
    // No ordinary or elevated token holds the right to create tokens.
    if (privilege_state(L"SeCreateTokenPrivilege"))
        GTEST_SKIP() << "this process's token holds SeCreateTokenPrivilege";
    EXPECT_FALSE(mv::enable_privilege(L"SeCreateTokenPrivilege", true));
    EXPECT_FALSE(privilege_state(L"SeCreateTokenPrivilege"));
    EXPECT_FALSE(mv::enable_privilege(L"SeNoSuchPrivilege", true));
}

TEST(security_binding, functions_are_looked_up_once_in_advapi32)
{
    EXPECT_EQ(mv::advapi::module(), ::GetModuleHandleW(L"advapi32.dll"));
    const FARPROC first = mv::advapi::bound("OpenProcessToken");
    EXPECT_EQ(first, ::GetProcAddress(::GetModuleHandleW(L"advapi32.dll"), "OpenProcessToken"));
    // A name equal in text but stored elsewhere finds the same entry.
    const std::string copy = "OpenProcessToken";
    EXPECT_EQ(mv::advapi::bound(copy.c_str()), first);
    EXPECT_TRUE(mv::advapi::available("AddAccessAllowedAceEx"));
}

TEST(security_binding, missing_function_raises_not_implemented)
{
    EXPECT_FALSE(mv::advapi::available("TarvolithNoSuchExport"));
    try {
        mv::advapi::bound("TarvolithNoSuchExport");
        FAIL() << "a missing export was bound";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), static_cast<int>(E_NOTIMPL));
        EXPECT_LT(error.code().value(), 0);
        EXPECT_TRUE(mv::advapi::carries(error, E_NOTIMPL));
    }
}

TEST(security_binding, false_result_raises_the_last_error_as_hresult)
{
    LUID id{};
    try {
        mv::advapi::call<mv::advapi::api::lookup_privilege_value>(nullptr, L"SeNoSuchPrivilege", &id);
        FAIL() << "an unknown privilege was found";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), static_cast<int>(HRESULT_FROM_WIN32(ERROR_NO_SUCH_PRIVILEGE)));
        EXPECT_EQ(error.code().category(), std::system_category());
    }
    EXPECT_NO_THROW(mv::advapi::call<mv::advapi::api::lookup_privilege_value>(nullptr, L"SeBackupPrivilege", &id));
}

} // namespace
