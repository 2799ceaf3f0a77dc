#include "common/product_language.hpp"

#include "record/uninstall_key_location.hpp"
#include "startup/languages.hpp"
#include "system/registry_key.hpp"

namespace product {

int installed_language()
{
    try {
        const installer::registry_location entry = installer::product_uninstall_key();
        const mv::registry_key key = mv::open_key(entry.root, entry.path());
        if (key) {
            const auto index = mv::get_dword(key, L"MvLanguage");
            if (index && *index < static_cast<unsigned>(installer::language_count))
                return static_cast<int>(*index);
        }
    } catch (...) {
        // An unreadable entry leaves the user's own language.
    }
    return installer::default_language(all_languages_mask);
}

void choose_language()
{
    installer::set_language(installed_language());
}

} // namespace product
