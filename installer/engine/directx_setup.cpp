#include "engine/directx_setup.hpp"

#include "record/uninstall_log.hpp"
#include "startup/install_context.hpp"

#include <algorithm>
#include <filesystem>

namespace installer {

namespace {

template <typename Function>
Function entry_point(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// The payload names it "DSETUP.dll"; file names compare without regard to case.
HMODULE load_library(const std::wstring& path)
{
    HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (!module)  // systems that do not know the flag
        module = ::LoadLibraryExW(path.c_str(), nullptr, 0);
    return module;
}

} // namespace

directx_setup::directx_setup(const std::wstring& folder_) : folder(folder_)
{
    mv::unique_module loaded(load_library((std::filesystem::path(folder) / L"DSetup.dll").wstring()));
    if (!loaded)
        return;
    const auto get_version = entry_point<dsetup_get_version_function>(loaded.get(), "DirectXSetupGetVersion");
    if (!get_version)
        return;
    DWORD version = 0;
    DWORD revision = 0;
    if (get_version(&version, &revision) != 0 && version >= dsetup_minimum_version &&
        revision >= dsetup_minimum_revision)
        module = std::move(loaded);
}

bool directx_setup::run(HWND parent)
{
    if (!module)
        return false;
    const auto set_callback = entry_point<dsetup_set_callback_function>(module.get(), "DirectXSetupSetCallback");
    const auto setup = entry_point<dsetup_run_function>(module.get(), "DirectXSetupW");
    if (!set_callback || !setup)
        return false;
    set_callback(&dsetup_callback);
    std::wstring source = folder;  // the library takes a writable string
    const INT result = setup(parent, source.data(), dsetup_directx);
    // 1 advises a restart, which is left to the user.
    return result == 0 || result == 1;
}

DWORD WINAPI dsetup_callback(DWORD reason, DWORD, LPSTR, LPSTR, void*)
{
    if (reason == dsetup_progress)
        install_context::instance().pump_messages();
    return IDOK;
}

bool directx_update_superfluous(earlier_state earlier, const std::list<log_record>& earlier_records)
{
    if (earlier == earlier_state::same_version)
        return false;
    return std::any_of(earlier_records.begin(), earlier_records.end(), [](const log_record& record) {
        return record.kind == record_kind::directx_update && record.done;
    });
}

step_outcome run_directx_step(const std::wstring& folder, earlier_state earlier, uninstall_log& log, HWND parent,
                              const std::function<void()>& starting)
{
    directx_setup setup(folder);
    if (!setup.usable() || directx_update_superfluous(earlier, log.earlier_records))
        return step_outcome::left_out;
    if (starting)
        starting();
    log.add_directx_update();
    const bool ok = setup.run(parent);
    log.commit(ok, {});
    return ok ? step_outcome::ok : step_outcome::failed;
}

step_outcome run_directx_step(install_context& context, HWND parent, const std::function<void()>& starting)
{
    return run_directx_step(context.temp_folder, context.earlier_installation, context.uninstall_log, parent,
                            starting);
}

} // namespace installer
