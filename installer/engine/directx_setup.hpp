#pragma once
// The DirectX set-up library that the payload brings into the working folder, and the installation step
// that lets it bring the machine's DirectX up to date.

#include "record/log_record.hpp"
#include "system/unique_any.hpp"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <list>
#include <string>

namespace installer {

class install_context;
class uninstall_log;
enum class earlier_state : std::int32_t;

// The library's entry points, by the names it exports.
using dsetup_callback_function = DWORD(WINAPI*)(DWORD reason, DWORD message_type, LPSTR message, LPSTR name,
                                                void* info);
using dsetup_get_version_function = INT(WINAPI*)(DWORD* version, DWORD* revision);
using dsetup_set_callback_function = INT(WINAPI*)(dsetup_callback_function callback);
using dsetup_run_function = INT(WINAPI*)(HWND parent, LPWSTR source_folder, DWORD flags);

inline constexpr DWORD dsetup_minimum_version = 0x00040009;  // DirectX 9
inline constexpr DWORD dsetup_minimum_revision = 0x387;
inline constexpr DWORD dsetup_directx = 0x10018;  // the core, with the display and sound drivers
inline constexpr DWORD dsetup_progress = 18;      // the callback's reason for a progress report

class directx_setup {
public:
    // Loads "DSetup.dll" from `folder`; keeps it only when it reports a version recent enough.
    explicit directx_setup(const std::wstring& folder);
    directx_setup(const directx_setup&) = delete;
    directx_setup& operator=(const directx_setup&) = delete;

    // Whether the library is present and recent enough.
    bool usable() const noexcept { return static_cast<bool>(module); }

    // Runs the set-up from `folder` with `parent` as its window; true when it succeeded (a restart advice
    // included), false when it failed or the library lacks its entry points.
    bool run(HWND parent);

    std::wstring folder;
    mv::unique_module module;  // freed on destruction
};

// The library's callback: keeps the wizard alive on progress reports and accepts the library's default for
// every question, so that none of its dialogs waits for the user.
DWORD WINAPI dsetup_callback(DWORD reason, DWORD message_type, LPSTR message, LPSTR name, void* info);

// Whether the earlier installation already brought DirectX up to date, so that this one need not: a done
// record of the update, except on a reinstallation of the same version, which always runs it.
bool directx_update_superfluous(earlier_state earlier, const std::list<log_record>& earlier_records);

enum class step_outcome {
    left_out,  // not run and not logged
    ok,
    failed,
};

// The DirectX step: loads the library from `folder` and, unless it is unusable or the update is
// superfluous, calls `starting` (the caller shows the step then), records the update and runs it.
step_outcome run_directx_step(const std::wstring& folder, earlier_state earlier, uninstall_log& log, HWND parent,
                              const std::function<void()>& starting);
// The same for the installation: the context's working folder, earlier installation and log.
step_outcome run_directx_step(install_context& context, HWND parent, const std::function<void()>& starting);

} // namespace installer
