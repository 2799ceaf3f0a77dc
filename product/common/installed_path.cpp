#include "common/installed_path.hpp"

#include "common/registry_cleanup.hpp"
#include "record/same_path.hpp"
#include "startup/product.hpp"
#include "system/registry_key.hpp"

namespace product {

void write_installed_path(const std::wstring& program)
{
    const mv::registry_key key = mv::create_key(HKEY_LOCAL_MACHINE, installer::maker_key_path());
    mv::set_string(key, installer::installed_path_value_name(), program);
}

std::wstring read_installed_path()
{
    const mv::registry_key key = mv::open_key(HKEY_LOCAL_MACHINE, installer::maker_key_path());
    std::wstring value;
    if (key)
        mv::get_string(key, installer::installed_path_value_name(), value);
    return value;
}

bool remove_installed_path(const std::wstring& program) noexcept
{
    try {
        const std::wstring maker = installer::maker_key_path();
        {
            const mv::registry_key key = mv::open_key(HKEY_LOCAL_MACHINE, maker);
            std::wstring value;
            if (!key || !mv::get_string(key, installer::installed_path_value_name(), value))
                return true;
            // Another installation of the product is registered there now: that one keeps its value.
            if (!installer::same_path(value, program))
                return true;
            if (::RegDeleteValueW(key.get(), installer::installed_path_value_name().c_str()) != ERROR_SUCCESS)
                return false;
        }
        delete_key_when_empty(HKEY_LOCAL_MACHINE, maker);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace product
