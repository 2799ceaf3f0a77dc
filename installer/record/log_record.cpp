#include "record/log_record.hpp"

#include "record/uninstall_key_location.hpp"

namespace installer {

std::wstring record_text(const log_record& record)
{
    switch (record.kind) {
    case record_kind::uninstall_key:
        return L"HKEY_LOCAL_MACHINE\\" + std::wstring(uninstall_parent_key) + L"\\" + product_uninstall_key().name;
    case record_kind::file_associations:
        return L"HKEY_CLASSES_ROOT\\...";
    case record_kind::directx_update:
        return L"DirectX Update";
    default:
        return record.path;
    }
}

} // namespace installer
