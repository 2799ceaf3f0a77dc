#pragma once
// advapi32's security functions, bound by name when first used, so that a system lacking one of them
// still runs everything that does not need it. Every failure raises std::system_error whose value is an
// HRESULT (a signed 32-bit integer) in the system category:
//   E_UNEXPECTED   advapi32 cannot be found or loaded,
//   E_NOTIMPL      the function is missing from it,
//   HRESULT_FROM_WIN32(GetLastError())  the function returned FALSE,
//   E_OUTOFMEMORY  a buffer cannot be allocated.

#include <windows.h>

#include <system_error>

namespace mv::advapi {

[[noreturn]] void raise(HRESULT result, const char* what);
// HRESULT_FROM_WIN32 of the thread's last error (0 and below pass unchanged, as the macro does).
[[noreturn]] void raise_last_error(const char* what);
// True when `error` carries exactly this HRESULT.
bool carries(const std::system_error& error, HRESULT result) noexcept;

// The module: already loaded, or loaded from the system folders; raises E_UNEXPECTED.
HMODULE module();

// The address of an export, looked up on first use and kept (a missing one too); raises E_UNEXPECTED or
// E_NOTIMPL. The table keeps `name` itself, so it must be a string with static storage.
FARPROC bound(const char* name);
// True when the export exists; never raises.
bool available(const char* name) noexcept;

// The bound functions, each with the signature of its declaration (WINAPI: stdcall on 32-bit Windows).
namespace api {
#define MV_ADVAPI_FUNCTION(tag, function, result, ...)                \
    struct tag {                                                      \
        static constexpr char name[] = #function;                     \
        using type = result(WINAPI*)(__VA_ARGS__);                    \
    }
MV_ADVAPI_FUNCTION(open_process_token, OpenProcessToken, BOOL, HANDLE, DWORD, PHANDLE);
MV_ADVAPI_FUNCTION(open_thread_token, OpenThreadToken, BOOL, HANDLE, DWORD, BOOL, PHANDLE);
MV_ADVAPI_FUNCTION(get_token_information, GetTokenInformation, BOOL, HANDLE, TOKEN_INFORMATION_CLASS, LPVOID,
                   DWORD, PDWORD);
MV_ADVAPI_FUNCTION(allocate_and_initialize_sid, AllocateAndInitializeSid, BOOL, PSID_IDENTIFIER_AUTHORITY, BYTE,
                   DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, PSID*);
MV_ADVAPI_FUNCTION(get_length_sid, GetLengthSid, DWORD, PSID);
MV_ADVAPI_FUNCTION(is_valid_sid, IsValidSid, BOOL, PSID);
MV_ADVAPI_FUNCTION(equal_sid, EqualSid, BOOL, PSID, PSID);
MV_ADVAPI_FUNCTION(free_sid, FreeSid, PVOID, PSID);
MV_ADVAPI_FUNCTION(initialize_acl, InitializeAcl, BOOL, PACL, DWORD, DWORD);
MV_ADVAPI_FUNCTION(add_ace, AddAce, BOOL, PACL, DWORD, DWORD, LPVOID, DWORD);
MV_ADVAPI_FUNCTION(get_ace, GetAce, BOOL, PACL, DWORD, LPVOID*);
MV_ADVAPI_FUNCTION(get_acl_information, GetAclInformation, BOOL, PACL, LPVOID, DWORD, ACL_INFORMATION_CLASS);
MV_ADVAPI_FUNCTION(add_access_allowed_ace, AddAccessAllowedAce, BOOL, PACL, DWORD, DWORD, PSID);
MV_ADVAPI_FUNCTION(add_access_allowed_ace_ex, AddAccessAllowedAceEx, BOOL, PACL, DWORD, DWORD, DWORD, PSID);
MV_ADVAPI_FUNCTION(access_check, AccessCheck, BOOL, PSECURITY_DESCRIPTOR, HANDLE, DWORD, PGENERIC_MAPPING,
                   PPRIVILEGE_SET, LPDWORD, LPDWORD, LPBOOL);
MV_ADVAPI_FUNCTION(impersonate_self, ImpersonateSelf, BOOL, SECURITY_IMPERSONATION_LEVEL);
MV_ADVAPI_FUNCTION(revert_to_self, RevertToSelf, BOOL, void);
MV_ADVAPI_FUNCTION(check_token_membership, CheckTokenMembership, BOOL, HANDLE, PSID, PBOOL);
MV_ADVAPI_FUNCTION(lookup_privilege_value, LookupPrivilegeValueW, BOOL, LPCWSTR, LPCWSTR, PLUID);
MV_ADVAPI_FUNCTION(adjust_token_privileges, AdjustTokenPrivileges, BOOL, HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD,
                   PTOKEN_PRIVILEGES, PDWORD);
MV_ADVAPI_FUNCTION(get_file_security, GetFileSecurityW, BOOL, LPCWSTR, SECURITY_INFORMATION,
                   PSECURITY_DESCRIPTOR, DWORD, LPDWORD);
MV_ADVAPI_FUNCTION(set_file_security, SetFileSecurityW, BOOL, LPCWSTR, SECURITY_INFORMATION,
                   PSECURITY_DESCRIPTOR);
MV_ADVAPI_FUNCTION(initialize_security_descriptor, InitializeSecurityDescriptor, BOOL, PSECURITY_DESCRIPTOR,
                   DWORD);
MV_ADVAPI_FUNCTION(is_valid_security_descriptor, IsValidSecurityDescriptor, BOOL, PSECURITY_DESCRIPTOR);
MV_ADVAPI_FUNCTION(get_security_descriptor_dacl, GetSecurityDescriptorDacl, BOOL, PSECURITY_DESCRIPTOR, LPBOOL,
                   PACL*, LPBOOL);
MV_ADVAPI_FUNCTION(set_security_descriptor_dacl, SetSecurityDescriptorDacl, BOOL, PSECURITY_DESCRIPTOR, BOOL,
                   PACL, BOOL);
MV_ADVAPI_FUNCTION(set_security_descriptor_owner, SetSecurityDescriptorOwner, BOOL, PSECURITY_DESCRIPTOR, PSID,
                   BOOL);
MV_ADVAPI_FUNCTION(set_security_descriptor_group, SetSecurityDescriptorGroup, BOOL, PSECURITY_DESCRIPTOR, PSID,
                   BOOL);
MV_ADVAPI_FUNCTION(get_security_descriptor_control, GetSecurityDescriptorControl, BOOL, PSECURITY_DESCRIPTOR,
                   PSECURITY_DESCRIPTOR_CONTROL, LPDWORD);
MV_ADVAPI_FUNCTION(set_security_descriptor_control, SetSecurityDescriptorControl, BOOL, PSECURITY_DESCRIPTOR,
                   SECURITY_DESCRIPTOR_CONTROL, SECURITY_DESCRIPTOR_CONTROL);
#undef MV_ADVAPI_FUNCTION
} // namespace api

// The bound function itself, for calls whose result is not a failure flag.
template <typename Api>
typename Api::type function()
{
    // GetProcAddress returns a generic function pointer; the table's signature is the real one.
    return reinterpret_cast<typename Api::type>(reinterpret_cast<void (*)()>(bound(Api::name)));
}

// Calls a function that reports failure by returning FALSE, and raises then.
template <typename Api, typename... Args>
void call(Args... args)
{
    if (!function<Api>()(args...))
        raise_last_error(Api::name);
}

} // namespace mv::advapi
