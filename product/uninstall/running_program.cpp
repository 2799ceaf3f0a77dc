#include "uninstall/running_program.hpp"

#include "engine/temp_names.hpp"
#include "record/file_operations.hpp"

#include <windows.h>

namespace product {

namespace {

void schedule_deletion(const std::wstring& path) noexcept
{
    ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

} // namespace

bool remove_running_program(const std::wstring& path) noexcept
{
    if (installer::remove_file(path))
        return true;
    std::wstring aside;
    try {
        aside = installer::unique_temp_path();
    } catch (...) {
    }
    // Without copying: a copy across volumes would leave the running original where it is.
    if (aside.empty() || !::MoveFileExW(path.c_str(), aside.c_str(), 0)) {
        schedule_deletion(path);
        return false;
    }
    if (!installer::remove_file(aside))
        schedule_deletion(aside);
    return true;
}

} // namespace product
