#include "product/product_fixture.hpp"

#include "common/file_types.hpp"
#include "common/installed_path.hpp"
#include "common/product_texts.hpp"
#include "common/registry_cleanup.hpp"
#include "startup/languages.hpp"
#include "system/registry_key.hpp"

#include <filesystem>

namespace product_test {

fresh_key::fresh_key(HKEY root, std::wstring path)
    : root_(root), path_(std::move(path)), existed_(key_exists(root_, path_))
{
}

fresh_key::~fresh_key()
{
    if (!existed_)
        product::delete_key_tree(root_, path_);
}

saved_installed_path::saved_installed_path() : value_(product::read_installed_path()) {}

saved_installed_path::~saved_installed_path()
{
    try {
        if (value_.empty())
            product::remove_installed_path(product::read_installed_path());
        else
            product::write_installed_path(value_);
    } catch (...) {
    }
}

file_types_cleanup::file_types_cleanup()
{
    product::unregister_file_types();
}

file_types_cleanup::~file_types_cleanup()
{
    product::unregister_file_types();
    product::delete_key_tree(HKEY_CLASSES_ROOT, product::project_extension);
}

std::wstring built_module(const std::wstring& name)
{
    return test_support::beside_test(L"Lang\\" + name + L".dll");
}

void install_language_modules(const std::wstring& folder)
{
    std::filesystem::create_directories(folder + L"\\Lang");
    for (const language_entry& language : language_modules) {
        const std::wstring file = std::wstring(language.name) + L".dll";
        // A module that is not there would make the program fall back to English unnoticed.
        std::filesystem::copy_file(built_module(language.name), folder + L"\\Lang\\" + file,
                                   std::filesystem::copy_options::overwrite_existing);
    }
}

saved_language::saved_language() : index_(installer::language_state::instance().index) {}

saved_language::~saved_language()
{
    product::use_language_module({});
    installer::set_language(index_);
}

bool exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool key_exists(HKEY root, const std::wstring& path)
{
    return static_cast<bool>(mv::open_key(root, path));
}

installation::installation(const std::wstring& root, const std::wstring& uninstaller_source)
    : install(root + L"\\Maker\\Tarvolith 7"), program(install + L"\\Tarvolith.exe"),
      uninstaller(install + L"\\Uninstall.exe"), language(install + L"\\Lang\\French.dll"),
      shared(root + L"\\Data\\Library\\materials.dat"), sample(root + L"\\Examples\\demo.tvp"),
      start_menu(root + L"\\Start\\Tarvolith 7.lnk"), desktop(root + L"\\Desktop\\Tarvolith 7.lnk"),
      log_path(install + L"\\Uninstall.ulog")
{
    add(language, 0);
    add(program, 1);
    add(uninstaller, 2, uninstaller_source.empty() ? "uninstaller" : test_support::read_bytes(uninstaller_source));
    add(shared, 3);
    add(sample, 4);
    for (const bool on_desktop : {false, true}) {
        const std::wstring& shortcut = on_desktop ? desktop : start_menu;
        log.add_shortcut(on_desktop, std::filesystem::path(shortcut).parent_path().wstring());
        test_support::write_bytes(shortcut, "shortcut");
        log.commit(true, shortcut);
    }
    log.add_directx_update();
    log.commit(true, {});
    log.add_uninstall_key();
    log.commit(true, {});
    log.add_file_associations();
    log.commit(true, {});
    log.save(log_path, install, root + L"\\Start");
}

void installation::add(const std::wstring& path, std::int32_t tag, const std::string& bytes)
{
    log.add_file(path, tag, false);
    test_support::write_bytes(path, bytes);
    log.commit(true, {});
}

} // namespace product_test
