// Giving the Users account access to installed files and folders, and the descriptors that carry it.

#include "system/advapi_binding.hpp"
#include "system/security.hpp"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <system_error>

namespace mv {

namespace {

namespace api = advapi::api;

// Where an ACE keeps its account: after the header and mask, and for object ACEs after their flags and the
// GUIDs those flags announce. Null for kinds that name no account, or a malformed ACE.
PSID ace_sid(const ACE_HEADER* ace)
{
    std::size_t offset = 0;
    switch (ace->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_DENIED_ACE_TYPE:
    case SYSTEM_AUDIT_ACE_TYPE:
    case SYSTEM_ALARM_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
    case SYSTEM_AUDIT_CALLBACK_ACE_TYPE:
    case SYSTEM_ALARM_CALLBACK_ACE_TYPE:
    case SYSTEM_MANDATORY_LABEL_ACE_TYPE:
        offset = sizeof(ACE_HEADER) + sizeof(ACCESS_MASK);
        break;
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case SYSTEM_AUDIT_OBJECT_ACE_TYPE:
    case SYSTEM_ALARM_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
    case SYSTEM_AUDIT_CALLBACK_OBJECT_ACE_TYPE:
    case SYSTEM_ALARM_CALLBACK_OBJECT_ACE_TYPE: {
        const auto* object = reinterpret_cast<const ACCESS_ALLOWED_OBJECT_ACE*>(ace);
        if (ace->AceSize < offsetof(ACCESS_ALLOWED_OBJECT_ACE, ObjectType))
            return nullptr;
        offset = offsetof(ACCESS_ALLOWED_OBJECT_ACE, ObjectType);
        if (object->Flags & ACE_OBJECT_TYPE_PRESENT)
            offset += sizeof(GUID);
        if (object->Flags & ACE_INHERITED_OBJECT_TYPE_PRESENT)
            offset += sizeof(GUID);
        break;
    }
    default:
        return nullptr;
    }
    // The smallest SID is 8 bytes; IsValidSid then reads its sub-authority count.
    if (offset + 8 > ace->AceSize)
        return nullptr;
    auto* sid = reinterpret_cast<BYTE*>(const_cast<ACE_HEADER*>(ace)) + offset;
    if (!advapi::function<api::is_valid_sid>()(sid) ||
        offset + advapi::function<api::get_length_sid>()(sid) > ace->AceSize)
        return nullptr;
    return sid;
}

bool names_account(const ACE_HEADER* ace, PSID account)
{
    PSID sid = ace_sid(ace);
    return sid && advapi::function<api::equal_sid>()(sid, account);
}

// The old descriptor's DACL; null when the descriptor has none or a NULL DACL.
ACL* dacl_of(PSECURITY_DESCRIPTOR descriptor)
{
    if (!descriptor)
        return nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    ACL* dacl = nullptr;
    advapi::call<api::get_security_descriptor_dacl>(descriptor, &present, &dacl, &defaulted);
    return present ? dacl : nullptr;
}

// The inheritance state to carry over; 0 where the system cannot tell.
SECURITY_DESCRIPTOR_CONTROL inheritance_control(PSECURITY_DESCRIPTOR descriptor)
{
    if (!descriptor)
        return 0;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    try {
        advapi::call<api::get_security_descriptor_control>(descriptor, &control, &revision);
    } catch (const std::system_error& error) {
        if (advapi::carries(error, E_NOTIMPL))
            return 0;
        throw;
    }
    if (control & SE_DACL_AUTO_INHERITED)
        return SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ;
    if (control & SE_DACL_PROTECTED)
        return SE_DACL_PROTECTED;
    return 0;
}

// A file's descriptor with its DACL, in a buffer of the size the system asks for.
std::unique_ptr<std::byte[]> read_file_dacl(const std::wstring& path)
{
    const auto get_file_security = advapi::function<api::get_file_security>();
    std::unique_ptr<std::byte[]> descriptor;
    DWORD size = 0;
    for (;;) {
        DWORD needed = 0;
        if (get_file_security(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.get(), size, &needed))
            return descriptor;
        // The descriptor can grow between the size query and the read; then ask again.
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= size)
            advapi::raise_last_error(api::get_file_security::name);
        descriptor.reset(new (std::nothrow) std::byte[needed]());
        if (!descriptor)
            advapi::raise(E_OUTOFMEMORY, api::get_file_security::name);
        size = needed;
    }
}

} // namespace

users_dacl compose_users_dacl(PSECURITY_DESCRIPTOR old, ACCESS_MASK mask, BYTE ace_flags)
{
    const unique_sid users = well_known_sid(well_known_account::users);
    const DWORD users_length = advapi::function<api::get_length_sid>()(users.get());

    ACL* old_dacl = dacl_of(old);
    ACL_SIZE_INFORMATION old_size{0, sizeof(ACL), 0};
    if (old_dacl)
        advapi::call<api::get_acl_information>(old_dacl, &old_size, DWORD{sizeof(old_size)},
                                               AclSizeInformation);

    users_dacl result;
    // Room for every old ACE and one access-allowed ACE (header and mask, 8 bytes, then the SID).
    result.acl = acl_buffer(std::size_t{old_size.AclBytesInUse} + users_length + 8);
    ACL* acl = result.acl.get();
    advapi::call<api::initialize_acl>(acl, static_cast<DWORD>(result.acl.size()), DWORD{ACL_REVISION});

    // Old ACEs keep the revision of the list they came from (object ACEs need ACL_REVISION_DS).
    const DWORD old_revision = old_dacl ? std::max<DWORD>(old_dacl->AclRevision, ACL_REVISION) : ACL_REVISION;
    const auto copy_others = [&](DWORD first, DWORD end) {
        for (DWORD index = first; index < end; ++index) {
            void* ace = nullptr;
            advapi::call<api::get_ace>(old_dacl, index, &ace);
            const auto* header = static_cast<const ACE_HEADER*>(ace);
            if (!names_account(header, users.get()))
                advapi::call<api::add_ace>(acl, old_revision, DWORD{MAXDWORD}, ace, DWORD{header->AceSize});
        }
    };

    // Explicit ACEs precede inherited ones; the new ACE goes last among the explicit ones.
    DWORD first_inherited = 0;
    for (; first_inherited < old_size.AceCount; ++first_inherited) {
        void* ace = nullptr;
        advapi::call<api::get_ace>(old_dacl, first_inherited, &ace);
        if (static_cast<const ACE_HEADER*>(ace)->AceFlags & INHERITED_ACE)
            break;
    }
    copy_others(0, first_inherited);
    if (ace_flags != 0 && advapi::available(api::add_access_allowed_ace_ex::name))
        advapi::call<api::add_access_allowed_ace_ex>(acl, DWORD{ACL_REVISION}, DWORD{ace_flags}, mask, users.get());
    else
        advapi::call<api::add_access_allowed_ace>(acl, DWORD{ACL_REVISION}, mask, users.get());
    copy_others(first_inherited, old_size.AceCount);

    result.control = inheritance_control(old);
    return result;
}

dacl_descriptor::dacl_descriptor(acl_buffer acl, SECURITY_DESCRIPTOR_CONTROL control) : acl_(std::move(acl))
{
    advapi::call<api::initialize_security_descriptor>(&descriptor_, DWORD{SECURITY_DESCRIPTOR_REVISION});
    advapi::call<api::set_security_descriptor_dacl>(&descriptor_, TRUE, acl_.get(), FALSE);
    if (control == 0)
        return;
    try {
        advapi::call<api::set_security_descriptor_control>(&descriptor_, control, control);
    } catch (const std::system_error& error) {
        if (!advapi::carries(error, E_NOTIMPL))
            throw;
    }
}

bool grant_access(const std::wstring& path, ACCESS_MASK mask, BYTE ace_flags) noexcept
{
    try {
        const std::unique_ptr<std::byte[]> old = read_file_dacl(path);
        users_dacl composed = compose_users_dacl(old.get(), mask, ace_flags);
        dacl_descriptor descriptor(std::move(composed.acl), composed.control);
        advapi::call<api::set_file_security>(path.c_str(), DWORD{DACL_SECURITY_INFORMATION}, descriptor.get());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace mv
