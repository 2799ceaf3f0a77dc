#include "engine/uninstall_entry.hpp"

#include "record/uninstall_log.hpp"
#include "startup/install_context.hpp"
#include "startup/languages.hpp"
#include "startup/product.hpp"
#include "system/registry_key.hpp"

#include <exception>

namespace installer {

namespace {

registry_value text_value(const wchar_t* name, std::wstring text, bool required = false)
{
    return {name, REG_SZ, std::move(text), 0, required};
}

registry_value number_value(const wchar_t* name, std::uint32_t number)
{
    return {name, REG_DWORD, {}, number, false};
}

bool write_value(const mv::registry_key& key, const registry_value& value) noexcept
{
    return value.type == REG_DWORD ? mv::try_set_dword(key, value.name, value.number)
                                   : mv::try_set_string(key, value.name, value.text);
}

} // namespace

std::vector<registry_value> uninstall_entry_values(const std::wstring& main_program_path,
                                                   const std::wstring& uninstaller_path, int language)
{
    return {
        text_value(L"DisplayName", product_title(false), true),
        text_value(L"UninstallString", uninstaller_path, true),
        text_value(L"DisplayIcon", main_program_path + L",0"),
        text_value(L"DisplayVersion", numeric_version_text),
        text_value(L"Publisher", company_name),
        text_value(L"URLInfoAbout", maker_web_address),
        text_value(L"HelpLink", maker_web_address),
        text_value(L"URLUpdateInfo", maker_web_address),
        text_value(L"HelpTelephone", support_telephone),
        number_value(L"NoModify", 1),
        number_value(L"NoRepair", 1),
        number_value(L"MvLanguage", static_cast<std::uint32_t>(language)),
    };
}

bool write_uninstall_entry(uninstall_log& log, const std::wstring& main_program_path,
                           const std::wstring& uninstaller_path, int language)
{
    try {
        const registry_location& location = log.uninstall_key_location;
        const mv::registry_key uninstall = mv::open_key(location.root, location.parent);
        if (!uninstall)
            return false;
        mv::registry_key product = mv::open_key(uninstall, location.name);
        if (product) {
            log.add_uninstall_key(product);
        } else {
            product = mv::create_key(uninstall, location.name);
            log.add_uninstall_key();
        }
        // Every value is tried; only the required ones decide.
        bool ok = true;
        for (const registry_value& value : uninstall_entry_values(main_program_path, uninstaller_path, language)) {
            const bool written = write_value(product, value);
            if (value.required)
                ok = written && ok;
        }
        log.commit(ok, {});
        return ok;
    } catch (const std::exception&) {
        return false;
    }
}

bool write_uninstall_entry(install_context& context, const std::wstring& main_program_path,
                           const std::wstring& uninstaller_path)
{
    return write_uninstall_entry(context.uninstall_log, main_program_path, uninstaller_path,
                                 language_state::instance().index);
}

} // namespace installer
