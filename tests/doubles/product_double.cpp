// Test double of the product's main program in its registration run: writes what it was started with to a
// report and exits with a chosen code. Driven by environment variables inherited from the installer:
//   PRODUCT_DOUBLE_REPORT  file that receives key=value lines (UTF-8): command_line, folder, mutex_taken,
//                          priority, show_flags, show_window
//   PRODUCT_DOUBLE_MUTEX   full name of the installer mutex that it tries to take (and gives back)
//   PRODUCT_DOUBLE_EXIT    its exit code (default -10)
//   PRODUCT_DOUBLE_SLEEP   milliseconds to stay before it ends (default 0)

#include "support/test_support.hpp"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::wstring variable(const wchar_t* name)
{
    wchar_t buffer[1024];
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 1024);
    return length > 0 && length < 1024 ? std::wstring(buffer, length) : std::wstring();
}

// 1 when the mutex could be taken at once (and it is given back), 0 when another process holds it, -1 when
// it cannot be opened.
int take_mutex(const std::wstring& name)
{
    if (name.empty())
        return -1;
    const HANDLE mutex = ::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
    if (!mutex)
        return -1;
    const DWORD waited = ::WaitForSingleObject(mutex, 0);
    const bool taken = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    if (taken)
        ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
    return taken ? 1 : 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    wchar_t folder[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, folder);
    STARTUPINFOW startup{};
    ::GetStartupInfoW(&startup);

    std::string report = "command_line=" + test_support::utf8(::GetCommandLineW()) + "\n";
    report += "folder=" + test_support::utf8(folder) + "\n";
    report += "mutex_taken=" + std::to_string(take_mutex(variable(L"PRODUCT_DOUBLE_MUTEX"))) + "\n";
    report += "priority=" + std::to_string(::GetPriorityClass(::GetCurrentProcess())) + "\n";
    report += "show_flags=" + std::to_string(startup.dwFlags) + "\n";
    report += "show_window=" + std::to_string(startup.wShowWindow) + "\n";

    const std::wstring report_path = variable(L"PRODUCT_DOUBLE_REPORT");
    if (!report_path.empty()) {
        if (FILE* file = ::_wfopen(report_path.c_str(), L"wb")) {
            std::fwrite(report.data(), 1, report.size(), file);
            std::fclose(file);
        }
    }
    const std::wstring sleep = variable(L"PRODUCT_DOUBLE_SLEEP");
    if (!sleep.empty())
        ::Sleep(std::wcstoul(sleep.c_str(), nullptr, 10));
    const std::wstring code = variable(L"PRODUCT_DOUBLE_EXIT");
    return code.empty() ? -10 : static_cast<int>(std::wcstol(code.c_str(), nullptr, 10));
}
