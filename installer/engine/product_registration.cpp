#include "engine/product_registration.hpp"

#include "record/file_operations.hpp"
#include "record/uninstall_log.hpp"
#include "startup/install_context.hpp"
#include "startup/text_format.hpp"
#include "system/named_objects.hpp"
#include "system/unique_any.hpp"

#include <windows.h>
#include <shlobj.h>

namespace installer {

namespace {

// The exit code of a program that was started, waiting for it to end; none when it could not be started.
bool run_to_end(std::wstring command_line, const std::wstring& folder, DWORD& exit_code)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNOACTIVATE;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, HIGH_PRIORITY_CLASS, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        return false;
    const mv::unique_handle process(info.hProcess);
    const mv::unique_handle thread(info.hThread);
    // The program registers without a window that needs the user: no time limit, no messages meanwhile.
    ::WaitForSingleObject(process.get(), INFINITE);
    ::GetExitCodeProcess(process.get(), &exit_code);
    return true;
}

} // namespace

std::wstring registration_command_line(const std::wstring& program_path, std::uint64_t previous_version)
{
    std::wstring command_line = L"\"" + program_path + L"\" /Register /Background";
    if (previous_version != 0)
        command_line += format_text(L" /update=%|1$016x|", previous_version);
    return command_line;
}

bool register_product(uninstall_log& log, mv::named_mutex& installer_mutex, const std::wstring& program_path,
                      std::uint64_t previous_version)
{
    log.add_file_associations();
    const std::wstring command_line = registration_command_line(program_path, previous_version);
    installer_mutex.release();
    DWORD exit_code = 0;
    const bool started = run_to_end(command_line, containing_folder(program_path), exit_code);
    // Taken back without waiting: a process that holds it now keeps it.
    installer_mutex.try_lock();
    const bool ok = started && static_cast<int>(exit_code) == registration_succeeded;
    log.commit(ok, {});
    if (ok)
        ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
    return ok;
}

bool register_product(install_context& context, const std::wstring& main_program_path)
{
    return register_product(context.uninstall_log, context.instance_mutex, main_program_path,
                            context.previous_version);
}

} // namespace installer
