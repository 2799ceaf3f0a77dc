#include "startup/install_context.hpp"

#include "engine/destination.hpp"
#include "engine/temp_names.hpp"
#include "engine/working_folder.hpp"
#include "record/uninstall_key_location.hpp"
#include "startup/languages.hpp"
#include "startup/module_path.hpp"
#include "startup/product.hpp"
#include "startup/start_up.hpp"
#include "startup/strings.hpp"
#include "startup/text_format.hpp"
#include "startup/version_info.hpp"
#include "system/registry_key.hpp"
#include "system/security.hpp"
#include "wizard/message_box.hpp"

#include <knownfolders.h>

#include <filesystem>

namespace installer {
namespace {

namespace fs = std::filesystem;

// Languages offered at start: all but Danish, Bulgarian, Norwegian and Japanese.
constexpr std::uint32_t offered_languages = 0x1BDEBF;
constexpr wchar_t log_file_name[] = L"Uninstall.ulog";

bool exists(const std::wstring& path)
{
    std::error_code error;
    return !path.empty() && fs::exists(fs::path(path), error);
}

// A file beside `path` (its parent folder joined with `name`), when it exists.
std::wstring existing_beside(const std::wstring& path, const wchar_t* name)
{
    if (path.empty())
        return {};
    const std::wstring candidate = (fs::path(path).parent_path() / name).wstring();
    return exists(candidate) ? candidate : std::wstring();
}

mv::registry_key open_product_uninstall_key()
{
    const registry_location location = product_uninstall_key();
    return mv::open_key(location.root, location.path());
}

std::wstring uninstall_string()
{
    try {
        const mv::registry_key key = open_product_uninstall_key();
        std::wstring value;
        if (key && mv::get_string(key, L"UninstallString", value))
            return value;
    } catch (...) {
    }
    return {};
}

// The language of the earlier installation, when it left a usable one.
void take_earlier_language()
{
    try {
        const mv::registry_key key = open_product_uninstall_key();
        if (!key)
            return;
        const auto language = mv::get_dword(key, L"MvLanguage");
        // Out-of-range values name no language; the default stays.
        if (language && *language < static_cast<std::uint32_t>(language_count))
            set_language(static_cast<int>(*language));
    } catch (...) {
    }
}

} // namespace

const std::wstring& installed_program_path()
{
    static const std::wstring path = [] {
        try {
            const mv::registry_key key = mv::open_key(HKEY_LOCAL_MACHINE, maker_key_path());
            std::wstring value;
            if (key && mv::get_string(key, installed_path_value_name(), value) && exists(value))
                return value;
        } catch (...) {
        }
        return std::wstring();
    }();
    return path;
}

std::wstring earlier_log_path()
{
    // The uninstall command is taken as a plain path: a quoted one names nothing and the search goes on.
    for (const std::wstring& beside : {uninstall_string(), executable_path(), installed_program_path()}) {
        std::wstring candidate = existing_beside(beside, log_file_name);
        if (!candidate.empty())
            return candidate;
    }
    return {};
}

install_context& install_context::instance()
{
    static install_context context;
    return context;
}

install_context::install_context() : instance_mutex(mv::make_object_name(application_id()), false, true)
{
}

bool install_context::init()
{
    if (!processor_supported()) {
        show_error_code(static_cast<DWORD>(E_UNEXPECTED));
        return false;
    }
    if (!instance_mutex.try_lock()) {
        show_error_code(ERROR_BUSY);
        return false;
    }

    set_language(default_language(offered_languages));
    take_earlier_language();
    if (!has_installer_texts(language_state::instance().index))
        set_language(language_english);

    if (!mv::is_admin()) {
        message_box(load_string(1126), window_caption(true), MB_OK | MB_ICONWARNING);
        return false;
    }
    // This installer holds one unit; any other is a running program of the application.
    while (instance_counter().count() > 1) {
        const std::wstring text = format_text(load_string(1127), product_title(true));
        if (message_box(text, window_caption(true), MB_RETRYCANCEL | MB_ICONWARNING) == IDCANCEL)
            return false;
    }

    detect_earlier_installation();
    if (earlier_installation == earlier_state::same_version || earlier_installation == earlier_state::older_version) {
        const std::wstring path = earlier_log_path();
        if (!path.empty()) {
            uninstall_log.load(path);
            install_folder = uninstall_log.install_folder;
            start_menu_folder = uninstall_log.start_menu_folder;
            desktop_shortcut = uninstall_log.has_desktop_shortcut;
        }
    } else {
        uninstall_log.load(std::wstring());
    }

    if (install_folder.empty()) {
        const std::wstring program_files = known_folder(FOLDERID_ProgramFiles, true);
        if (program_files.empty())
            return false;
        install_folder = (fs::path(program_files) / company_name / product_name(product_code)).wstring();
    }
    if (start_menu_folder.empty()) {
        start_menu_folder = shortcut_folder(1);
        if (start_menu_folder.empty())
            return false;
    }
    advanced_mode = false;
    return true;
}

void install_context::detect_earlier_installation()
{
    const std::wstring& path = installed_program_path();
    if (path.empty()) {
        earlier_installation = earlier_state::none;
        return;
    }
    const version_info installed(path);
    if (!installed.fixed()) {
        earlier_installation = earlier_state::same_version;
        return;
    }
    const std::uint64_t version = installed.packed_version();
    if (version == product_version) {
        earlier_installation = earlier_state::same_version;
        return;
    }
    previous_version_text = installed.display_text();
    if (version > product_version) {
        earlier_installation = earlier_state::newer_version;
    } else {
        earlier_installation = earlier_state::older_version;
        previous_version = version;
    }
}

earlier_state install_context::earlier_installation_state(std::wstring* text) const
{
    if (text &&
        (earlier_installation == earlier_state::older_version || earlier_installation == earlier_state::newer_version))
        *text = previous_version_text;
    return earlier_installation;
}

bool install_context::make_temp_folder(std::wstring& error_text)
{
    std::wstring folder;
    try {
        folder = temp_directory();
    } catch (const fs::filesystem_error& error) {
        error_text = operation_error_text(error.code().value(), "temp_directory_path");
        return false;
    }
    temp_folder = (fs::path(folder) / working_folder_name()).wstring();
    return true;
}

void install_context::pump_messages()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Leave it for the loop that owns the thread.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (main_window && ::IsDialogMessageW(main_window, &message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

} // namespace installer
