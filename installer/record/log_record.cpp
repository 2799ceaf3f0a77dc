#include "record/log_record.hpp"

#include "startup/product.hpp"

namespace installer {

std::wstring record_text(const log_record& record)
{
    switch (record.kind) {
    case record_kind::uninstall_key:
        return L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
               product_name(product_code);
    case record_kind::file_associations:
        return L"HKEY_CLASSES_ROOT\\...";
    case record_kind::directx_update:
        return L"DirectX Update";
    default:
        return record.path;
    }
}

} // namespace installer
