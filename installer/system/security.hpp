#pragma once
// Access rights and privileges: administrator check, token privileges, opening installed files to the
// Users account, and ACLs for objects shared with every user. advapi32's functions are bound at run time
// (system/advapi_binding.hpp); failures inside raise std::system_error carrying an HRESULT.

#include "system/unique_any.hpp"

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

namespace mv {

// SIDs from AllocateAndInitializeSid, released with FreeSid.
struct sid_traits {
    using type = PSID;
    static type invalid() noexcept { return nullptr; }
    static void close(type sid) noexcept;
};
using unique_sid = unique_any<sid_traits>;

enum class well_known_account : int {
    everyone = 0,        // S-1-1-0
    administrators = 1,  // S-1-5-32-544
    users = 2,           // S-1-5-32-545
};

// Raises std::invalid_argument for a kind outside the enumeration, an HRESULT otherwise.
unique_sid well_known_sid(well_known_account kind);

// A zero-filled, suitably aligned block that holds one ACL. Raises E_OUTOFMEMORY when it cannot be had.
class acl_buffer {
public:
    acl_buffer() noexcept = default;
    explicit acl_buffer(std::size_t size);

    ACL* get() const noexcept { return reinterpret_cast<ACL*>(bytes_.get()); }
    std::size_t size() const noexcept { return size_; }
    explicit operator bool() const noexcept { return static_cast<bool>(bytes_); }

private:
    std::unique_ptr<std::byte[]> bytes_;
    std::size_t size_ = 0;
};

// True when the process runs with administrator rights: token membership of Administrators, or, where that
// cannot be asked, is_admin_by_access_check. Never raises.
bool is_admin() noexcept;
// Whether an access check against a descriptor that grants only Administrators succeeds for this thread.
bool is_admin_by_access_check() noexcept;

// Enables (or disables) a privilege of the process token; false on any failure, including a token that does
// not hold the privilege.
bool enable_privilege(const std::wstring& name, bool enable) noexcept;

// The DACL that gives Users `mask` (an ACE with `ace_flags`) in place of every ACE Users had, and the
// inheritance control to carry over. Explicit ACEs of other accounts come first, in their order, then the
// Users ACE, then the inherited ACEs of other accounts. A null descriptor, an absent DACL and a NULL DACL
// all count as an empty DACL.
struct users_dacl {
    acl_buffer acl;
    // SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ when the old DACL inherited from its parent,
    // SE_DACL_PROTECTED when it was protected, otherwise 0.
    SECURITY_DESCRIPTOR_CONTROL control = 0;
};
users_dacl compose_users_dacl(PSECURITY_DESCRIPTOR old, ACCESS_MASK mask, BYTE ace_flags);

// An absolute security descriptor with an ACL of its own as DACL (present, not defaulted) and the given
// control bits set. A system without the control functions keeps the default control.
class dacl_descriptor {
public:
    explicit dacl_descriptor(acl_buffer acl, SECURITY_DESCRIPTOR_CONTROL control = 0);
    dacl_descriptor(const dacl_descriptor&) = delete;
    dacl_descriptor& operator=(const dacl_descriptor&) = delete;

    PSECURITY_DESCRIPTOR get() noexcept { return &descriptor_; }

private:
    acl_buffer acl_;
    SECURITY_DESCRIPTOR descriptor_{};
};

// Gives the Users account `mask` on the file or folder at `path` (compose_users_dacl over its current
// descriptor); false on any failure.
bool grant_access(const std::wstring& path, ACCESS_MASK mask, BYTE ace_flags) noexcept;

// An ACL with one access-allowed ACE for Everyone. Raises an HRESULT on failure.
acl_buffer everyone_acl(ACCESS_MASK mask);

} // namespace mv
