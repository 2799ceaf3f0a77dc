#include "support/test_support.hpp"

#include "wizard/window_text.hpp"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
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

std::string utf8(const std::wstring& text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

bool exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool on_wine()
{
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

namespace {

// Console children get no console window: a console host would hold their output open after they end.
child_process start(const std::wstring& program, const std::wstring& arguments, STARTUPINFOW& startup,
                    bool inherit)
{
    std::wstring command_line = L"\"" + program + L"\" " + arguments;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, inherit, CREATE_NO_WINDOW, nullptr,
                          nullptr, &startup, &info))
        throw std::runtime_error("cannot start the child program, error " + std::to_string(::GetLastError()));
    child_process child;
    child.process.reset(info.hProcess);
    child.thread.reset(info.hThread);
    child.id = info.dwProcessId;
    return child;
}

struct window_search {
    DWORD process_id;
    HWND window;
};

BOOL CALLBACK match_process(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<window_search*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search->process_id || !::IsWindowVisible(window))
        return TRUE;
    search->window = window;
    return FALSE;
}

} // namespace

child_process start_child(const std::wstring& program, const std::wstring& arguments)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    return start(program, arguments, startup, false);
}

child_process start_with_output(const std::wstring& program, const std::wstring& arguments, mv::unique_handle& output)
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    mv::unique_handle write_end;
    if (!::CreatePipe(output.put(), write_end.put(), &inherit, 0))
        throw std::runtime_error("cannot create a pipe");
    ::SetHandleInformation(output.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end.get();
    startup.hStdError = write_end.get();
    return start(program, arguments, startup, true);  // our write end closes on return
}

std::string collect_output(const child_process& child, const mv::unique_handle& output, unsigned long timeout_ms)
{
    std::string text;
    const auto drain = [&] {
        DWORD available = 0;
        while (::PeekNamedPipe(output.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            std::string chunk(available, '\0');
            DWORD got = 0;
            if (!::ReadFile(output.get(), chunk.data(), available, &got, nullptr) || got == 0)
                break;
            text.append(chunk.data(), got);
        }
    };
    for (unsigned long waited = 0; waited < timeout_ms; waited += 20) {
        drain();
        if (::WaitForSingleObject(child.process.get(), 20) == WAIT_OBJECT_0)
            break;
    }
    drain();
    return text;
}

HWND wait_for_window(const child_process& child, unsigned long timeout_ms)
{
    for (unsigned long waited = 0; waited <= timeout_ms; waited += 100) {
        window_search search{child.id, nullptr};
        ::EnumWindows(match_process, reinterpret_cast<LPARAM>(&search));
        if (search.window)
            return search.window;
        if (::WaitForSingleObject(child.process.get(), 100) == WAIT_OBJECT_0)
            return nullptr;
    }
    return nullptr;
}

std::wstring window_text(HWND window)
{
    return installer::window_text(window);
}

std::string output_value(const std::string& output, const std::string& key)
{
    const std::string marker = key + "=";
    for (std::size_t at = output.find(marker); at != std::string::npos; at = output.find(marker, at + 1)) {
        if (at == 0 || output[at - 1] == '\n') {
            const std::size_t start = at + marker.size();
            return output.substr(start, output.find_first_of("\r\n", start) - start);
        }
    }
    return {};
}

unsigned long exit_code(const child_process& child)
{
    DWORD code = 0;
    if (!::GetExitCodeProcess(child.process.get(), &code))
        throw std::runtime_error("no exit code");
    return code;
}

namespace {

unsigned serial_number()
{
    static std::atomic<unsigned> counter{0};
    return counter++;
}

} // namespace

temp_folder::temp_folder()
{
    wchar_t temp[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH + 1, temp);
    path_ = std::wstring(temp) + L"tarvolith_test_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(serial_number());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

temp_folder::~temp_folder()
{
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored))
        ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(path_, ignored);
}

scoped_variable::scoped_variable(std::wstring name, const wchar_t* value) : name_(std::move(name))
{
    const DWORD size = ::GetEnvironmentVariableW(name_.c_str(), nullptr, 0);
    if (size > 0) {
        present_ = true;
        value_.resize(size);
        value_.resize(::GetEnvironmentVariableW(name_.c_str(), value_.data(), size));
    }
    ::SetEnvironmentVariableW(name_.c_str(), value);
}

scoped_variable::~scoped_variable()
{
    ::SetEnvironmentVariableW(name_.c_str(), present_ ? value_.c_str() : nullptr);
}

counting_window::counting_window(UINT message) : message_(message)
{
    WNDCLASSW type{};
    type.lpfnWndProc = procedure;
    type.hInstance = ::GetModuleHandleW(nullptr);
    type.lpszClassName = L"tarvolith_test_counting_window";
    ::RegisterClassW(&type);  // fails harmlessly when a window before this one registered it
    window_.reset(::CreateWindowExW(0, type.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    type.hInstance, nullptr));
    ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

int counting_window::count_after(unsigned long milliseconds)
{
    MSG message;
    for (unsigned long waited = 0;; waited += 10) {
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&message);
        if (waited >= milliseconds)
            return count_;
        ::Sleep(10);
    }
}

LRESULT CALLBACK counting_window::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto* self = reinterpret_cast<counting_window*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == self->message_)
        ++self->count_;
    return ::DefWindowProcW(window, message, wparam, lparam);
}

std::string read_bytes(const std::wstring& path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read the test file");
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_bytes(const std::wstring& path, const std::string& bytes)
{
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write the test file");
}

program_run run_program(const std::wstring& program, const std::wstring& arguments)
{
    mv::unique_handle output;
    const child_process child = start_with_output(program, arguments, output);
    std::string text = collect_output(child, output);
    return {exit_code(child), text};
}

named_event::named_event(const std::string& purpose)
    : name("tarvolith_test_" + std::to_string(::GetCurrentProcessId()) + "_" + purpose + "_" +
           std::to_string(serial_number())),
      handle(::CreateEventA(nullptr, TRUE, FALSE, name.c_str()))
{
}

namespace {

std::wstring widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

} // namespace

holding_program::holding_program(const std::wstring& program, const std::wstring& mode)
    : ready("ready"), stop("stop"),
      child(start_with_output(program, mode + L" " + widen(ready.name) + L" " + widen(stop.name), output))
{
    const HANDLE waits[] = {ready.handle.get(), child.process.get()};
    started = ::WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
}

holding_program::~holding_program()
{
    ::SetEvent(stop.handle.get());
    ::WaitForSingleObject(child.process.get(), 30000);
}

} // namespace test_support
