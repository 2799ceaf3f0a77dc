#include "system/advapi_binding.hpp"

#include "system/unique_any.hpp"

#include <array>
#include <cstring>
#include <type_traits>

namespace mv::advapi {

namespace {

// The table's signatures must be the ones the system headers declare, calling convention included.
template <typename Api, typename Declared>
constexpr bool declared_as = std::is_same_v<typename Api::type, Declared>;
static_assert(declared_as<api::open_process_token, decltype(&::OpenProcessToken)>);
static_assert(declared_as<api::open_thread_token, decltype(&::OpenThreadToken)>);
static_assert(declared_as<api::get_token_information, decltype(&::GetTokenInformation)>);
static_assert(declared_as<api::allocate_and_initialize_sid, decltype(&::AllocateAndInitializeSid)>);
static_assert(declared_as<api::get_length_sid, decltype(&::GetLengthSid)>);
static_assert(declared_as<api::is_valid_sid, decltype(&::IsValidSid)>);
static_assert(declared_as<api::equal_sid, decltype(&::EqualSid)>);
static_assert(declared_as<api::free_sid, decltype(&::FreeSid)>);
static_assert(declared_as<api::initialize_acl, decltype(&::InitializeAcl)>);
static_assert(declared_as<api::add_ace, decltype(&::AddAce)>);
static_assert(declared_as<api::get_ace, decltype(&::GetAce)>);
static_assert(declared_as<api::get_acl_information, decltype(&::GetAclInformation)>);
static_assert(declared_as<api::add_access_allowed_ace, decltype(&::AddAccessAllowedAce)>);
static_assert(declared_as<api::add_access_allowed_ace_ex, decltype(&::AddAccessAllowedAceEx)>);
static_assert(declared_as<api::access_check, decltype(&::AccessCheck)>);
static_assert(declared_as<api::impersonate_self, decltype(&::ImpersonateSelf)>);
static_assert(declared_as<api::revert_to_self, decltype(&::RevertToSelf)>);
static_assert(declared_as<api::check_token_membership, decltype(&::CheckTokenMembership)>);
static_assert(declared_as<api::lookup_privilege_value, decltype(&::LookupPrivilegeValueW)>);
static_assert(declared_as<api::adjust_token_privileges, decltype(&::AdjustTokenPrivileges)>);
static_assert(declared_as<api::get_file_security, decltype(&::GetFileSecurityW)>);
static_assert(declared_as<api::set_file_security, decltype(&::SetFileSecurityW)>);
static_assert(declared_as<api::initialize_security_descriptor, decltype(&::InitializeSecurityDescriptor)>);
static_assert(declared_as<api::is_valid_security_descriptor, decltype(&::IsValidSecurityDescriptor)>);
static_assert(declared_as<api::get_security_descriptor_dacl, decltype(&::GetSecurityDescriptorDacl)>);
static_assert(declared_as<api::set_security_descriptor_dacl, decltype(&::SetSecurityDescriptorDacl)>);
static_assert(declared_as<api::set_security_descriptor_owner, decltype(&::SetSecurityDescriptorOwner)>);
static_assert(declared_as<api::set_security_descriptor_group, decltype(&::SetSecurityDescriptorGroup)>);
static_assert(declared_as<api::get_security_descriptor_control, decltype(&::GetSecurityDescriptorControl)>);
static_assert(declared_as<api::set_security_descriptor_control, decltype(&::SetSecurityDescriptorControl)>);

// LOAD_LIBRARY_SEARCH_DEFAULT_DIRS: only the system's own folders, never the installer's (a planted
// advapi32.dll beside a downloaded installer must not be loaded). Systems without the update that brings
// this flag reject it, and then the ordinary search is the only one there is.
constexpr DWORD search_default_dirs = 0x1000;

// Filled on first use from the installer's one thread; it is not locked.
class binding_table {
public:
    static binding_table& instance()
    {
        static binding_table table;
        return table;
    }

    HMODULE module()
    {
        if (!module_) {
            module_ = ::GetModuleHandleW(L"advapi32.dll");
            if (!module_) {
                loaded_.reset(::LoadLibraryExW(L"advapi32.dll", nullptr, search_default_dirs));
                if (!loaded_)
                    loaded_.reset(::LoadLibraryExW(L"advapi32.dll", nullptr, 0));
                module_ = loaded_.get();
            }
        }
        if (!module_)
            raise(E_UNEXPECTED, "advapi32.dll");
        return module_;
    }

    FARPROC find(const char* name)
    {
        for (std::size_t i = 0; i < used_; ++i)
            if (std::strcmp(entries_[i].name, name) == 0)
                return entries_[i].address;
        const FARPROC address = ::GetProcAddress(module(), name);
        // Beyond the table's room the answer is simply not kept; the functions in use fit many times over.
        if (used_ < entries_.size())
            entries_[used_++] = {name, address};
        return address;
    }

private:
    struct entry {
        const char* name = nullptr;
        FARPROC address = nullptr;
    };

    unique_module loaded_;  // only a module that this table loaded is freed again
    HMODULE module_ = nullptr;
    std::array<entry, 64> entries_{};
    std::size_t used_ = 0;
};

} // namespace

void raise(HRESULT result, const char* what)
{
    throw std::system_error(static_cast<int>(result), std::system_category(), what);
}

void raise_last_error(const char* what)
{
    raise(HRESULT_FROM_WIN32(::GetLastError()), what);
}

bool carries(const std::system_error& error, HRESULT result) noexcept
{
    return error.code().category() == std::system_category() && error.code().value() == static_cast<int>(result);
}

HMODULE module()
{
    return binding_table::instance().module();
}

FARPROC bound(const char* name)
{
    const FARPROC address = binding_table::instance().find(name);
    if (!address)
        raise(E_NOTIMPL, name);
    return address;
}

bool available(const char* name) noexcept
{
    try {
        return binding_table::instance().find(name) != nullptr;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace mv::advapi
