#include "record/uninstall_key_location.hpp"

#include "startup/product.hpp"

namespace installer {

registry_location product_uninstall_key()
{
    return {HKEY_LOCAL_MACHINE, uninstall_parent_key, product_name(product_code)};
}

} // namespace installer
