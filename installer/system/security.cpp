#include "system/security.hpp"

#include "system/advapi_binding.hpp"

#include <new>
#include <stdexcept>

namespace mv {

namespace {

unique_handle open_process_token(DWORD access)
{
    unique_handle token;
    advapi::call<advapi::api::open_process_token>(::GetCurrentProcess(), access, token.put());
    return token;
}

// Impersonates the process's own token on this thread until destroyed.
class self_impersonation {
public:
    self_impersonation() { advapi::call<advapi::api::impersonate_self>(SecurityImpersonation); }
    ~self_impersonation()
    {
        try {
            advapi::call<advapi::api::revert_to_self>();
        } catch (const std::exception&) {
            // Nothing to do: RevertToSelf was there when ImpersonateSelf was.
        }
    }
    self_impersonation(const self_impersonation&) = delete;
    self_impersonation& operator=(const self_impersonation&) = delete;
};

bool is_admin_by_membership()
{
    const unique_sid administrators = well_known_sid(well_known_account::administrators);
    BOOL member = FALSE;
    advapi::call<advapi::api::check_token_membership>(nullptr, administrators.get(), &member);
    return member != FALSE;
}

// AdjustTokenPrivileges succeeds even when it assigns nothing; only the last error tells
// (ERROR_NOT_ALL_ASSIGNED). Some implementations leave the last error alone on success, so it starts at 0.
void adjust_privileges(HANDLE token, TOKEN_PRIVILEGES& state, TOKEN_PRIVILEGES* previous)
{
    const auto adjust = advapi::function<advapi::api::adjust_token_privileges>();
    DWORD returned = 0;
    ::SetLastError(ERROR_SUCCESS);
    const BOOL done = adjust(token, FALSE, &state, previous ? sizeof(*previous) : 0, previous,
                             previous ? &returned : nullptr);
    if (!done || ::GetLastError() != ERROR_SUCCESS)
        advapi::raise_last_error(advapi::api::adjust_token_privileges::name);
}

} // namespace

void sid_traits::close(type sid) noexcept
{
    try {
        advapi::function<advapi::api::free_sid>()(sid);
    } catch (const std::exception&) {
        // Unreachable in practice: the SID came from the same module.
    }
}

unique_sid well_known_sid(well_known_account kind)
{
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    unique_sid sid;
    switch (kind) {
    case well_known_account::everyone:
        advapi::call<advapi::api::allocate_and_initialize_sid>(&world, BYTE{1}, DWORD{SECURITY_WORLD_RID}, 0ul,
                                                               0ul, 0ul, 0ul, 0ul, 0ul, 0ul, sid.put());
        break;
    case well_known_account::administrators:
        advapi::call<advapi::api::allocate_and_initialize_sid>(
            &nt, BYTE{2}, DWORD{SECURITY_BUILTIN_DOMAIN_RID}, DWORD{DOMAIN_ALIAS_RID_ADMINS}, 0ul, 0ul, 0ul, 0ul,
            0ul, 0ul, sid.put());
        break;
    case well_known_account::users:
        advapi::call<advapi::api::allocate_and_initialize_sid>(
            &nt, BYTE{2}, DWORD{SECURITY_BUILTIN_DOMAIN_RID}, DWORD{DOMAIN_ALIAS_RID_USERS}, 0ul, 0ul, 0ul, 0ul,
            0ul, 0ul, sid.put());
        break;
    default:
        throw std::invalid_argument("well_known_sid: unknown account");
    }
    return sid;
}

acl_buffer::acl_buffer(std::size_t size) : bytes_(new (std::nothrow) std::byte[size]()), size_(size)
{
    if (!bytes_)
        advapi::raise(E_OUTOFMEMORY, "acl_buffer");
}

bool is_admin() noexcept
{
    try {
        return is_admin_by_membership();
    } catch (const std::exception&) {
        // CheckTokenMembership is missing or failed: ask the access check instead.
    }
    return is_admin_by_access_check();
}

bool is_admin_by_access_check() noexcept
{
    try {
        const self_impersonation impersonation;
        unique_handle token;
        advapi::call<advapi::api::open_thread_token>(::GetCurrentThread(), DWORD{TOKEN_QUERY}, FALSE, token.put());

        const unique_sid administrators = well_known_sid(well_known_account::administrators);
        constexpr DWORD access_read = 1;
        constexpr DWORD access_write = 2;
        const DWORD sid_length = advapi::function<advapi::api::get_length_sid>()(administrators.get());
        acl_buffer acl(sid_length + 16);
        advapi::call<advapi::api::initialize_acl>(acl.get(), static_cast<DWORD>(acl.size()), DWORD{ACL_REVISION});
        advapi::call<advapi::api::add_access_allowed_ace>(acl.get(), DWORD{ACL_REVISION}, access_read | access_write,
                                                          administrators.get());

        SECURITY_DESCRIPTOR descriptor{};
        advapi::call<advapi::api::initialize_security_descriptor>(&descriptor,
                                                                  DWORD{SECURITY_DESCRIPTOR_REVISION});
        advapi::call<advapi::api::set_security_descriptor_dacl>(&descriptor, TRUE, acl.get(), FALSE);
        advapi::call<advapi::api::set_security_descriptor_owner>(&descriptor, administrators.get(), FALSE);
        advapi::call<advapi::api::set_security_descriptor_group>(&descriptor, administrators.get(), FALSE);
        if (!advapi::function<advapi::api::is_valid_security_descriptor>()(&descriptor))
            advapi::raise(E_UNEXPECTED, advapi::api::is_valid_security_descriptor::name);

        GENERIC_MAPPING mapping{access_read, access_write, 0, access_read | access_write};
        PRIVILEGE_SET privileges{};
        DWORD privileges_length = sizeof(privileges);
        DWORD granted = 0;
        BOOL status = FALSE;
        advapi::call<advapi::api::access_check>(&descriptor, token.get(), access_read, &mapping, &privileges,
                                                &privileges_length, &granted, &status);
        return status != FALSE;
    } catch (const std::exception&) {
        return false;
    }
}

bool enable_privilege(const std::wstring& name, bool enable) noexcept
{
    try {
        const unique_handle token = open_process_token(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY);
        LUID privilege{};
        advapi::call<advapi::api::lookup_privilege_value>(nullptr, name.c_str(), &privilege);

        // Switching it off first yields its previous state, which is then written back with the one
        // attribute changed.
        TOKEN_PRIVILEGES request{};
        request.PrivilegeCount = 1;
        request.Privileges[0].Luid = privilege;
        TOKEN_PRIVILEGES previous{};
        adjust_privileges(token.get(), request, &previous);

        previous.PrivilegeCount = 1;
        previous.Privileges[0].Luid = privilege;
        if (enable)
            previous.Privileges[0].Attributes |= SE_PRIVILEGE_ENABLED;
        else
            previous.Privileges[0].Attributes &= ~DWORD{SE_PRIVILEGE_ENABLED};
        adjust_privileges(token.get(), previous, nullptr);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

acl_buffer everyone_acl(ACCESS_MASK mask)
{
    const unique_sid everyone = well_known_sid(well_known_account::everyone);
    const DWORD sid_length = advapi::function<advapi::api::get_length_sid>()(everyone.get());
    acl_buffer acl(sid_length + 16);
    advapi::call<advapi::api::initialize_acl>(acl.get(), static_cast<DWORD>(acl.size()), DWORD{ACL_REVISION});
    advapi::call<advapi::api::add_access_allowed_ace>(acl.get(), DWORD{ACL_REVISION}, mask, everyone.get());
    return acl;
}

} // namespace mv
