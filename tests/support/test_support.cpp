#include "support/test_support.hpp"

#include <windows.h>

#include <stdexcept>

namespace test_support {

std::wstring beside_test(const std::wstring& file_name)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1) + file_name;
}

bool on_wine()
{
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

child_process start_child(const std::wstring& program, const std::wstring& arguments)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring command_line = L"\"" + program + L"\" " + arguments;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info))
        throw std::runtime_error("cannot start the child program, error " + std::to_string(::GetLastError()));
    child_process child;
    child.process.reset(info.hProcess);
    child.thread.reset(info.hThread);
    child.id = info.dwProcessId;
    return child;
}

unsigned long exit_code(const child_process& child)
{
    DWORD code = 0;
    if (!::GetExitCodeProcess(child.process.get(), &code))
        throw std::runtime_error("no exit code");
    return code;
}

} // namespace test_support
