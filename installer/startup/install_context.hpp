#pragma once
// The one record of an installer run: what the user chose, what an earlier installation left, and the
// checks that decide whether the wizard may be shown at all.

#include "record/uninstall_log.hpp"
#include "system/named_objects.hpp"

#include <windows.h>

#include <cstdint>
#include <string>

namespace installer {

enum class earlier_state : std::int32_t {
    none = 0,
    same_version = 1,
    older_version = 2,
    newer_version = -1,
};

class install_context {
public:
    // Built on the first call, destroyed at process exit (releasing the installer mutex).
    static install_context& instance();

    // True when the wizard may be shown; tells the user why not otherwise. Runs once.
    bool init();

    // The state, and for an older or newer installation its version's display text.
    earlier_state earlier_installation_state(std::wstring* text = nullptr) const;

    // Creates the run's working folder name; false with the error's text when the temporary folder is unusable.
    bool make_temp_folder(std::wstring& error_text);

    // Handles every waiting message of the thread, so that the window stays alive during long steps.
    void pump_messages();

    mv::named_mutex instance_mutex;
    std::wstring install_folder;
    std::wstring start_menu_folder;
    std::wstring temp_folder;
    bool start_menu_shortcut = true;
    bool desktop_shortcut = true;
    bool advanced_mode = false;
    installer::uninstall_log uninstall_log;
    bool install_succeeded = false;
    std::uint64_t previous_version = 0;
    earlier_state earlier_installation = earlier_state::none;
    std::wstring previous_version_text;
    // The wizard's main window, which gets the dialog keys while messages are pumped; null before it exists.
    HWND main_window = nullptr;

    install_context(const install_context&) = delete;
    install_context& operator=(const install_context&) = delete;

private:
    install_context();
    void detect_earlier_installation();
};

// The installed product's program as its own registry value names it, when that file exists; cached.
const std::wstring& installed_program_path();

// The earlier installation's "Uninstall.ulog": beside its uninstaller, beside this installer, or beside the
// installed program; empty when none of them exists.
std::wstring earlier_log_path();

} // namespace installer
