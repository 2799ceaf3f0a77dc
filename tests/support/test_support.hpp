#pragma once
// Helpers shared by the test programs: paths beside the test, child processes, Wine detection.

#include "system/unique_any.hpp"

#include <windows.h>

#include <string>
#include <utility>

namespace test_support {

// Full path of a file in the folder of the running test program (fixtures and the installer are built there).
std::wstring beside_test(const std::wstring& file_name);

// UTF-8 of a wide text, as the probe programs report texts.
std::string utf8(const std::wstring& text);

// Whether anything is at the path.
bool exists(const std::wstring& path);

// True when the program runs on Wine rather than on Windows.
bool on_wine();

struct child_process {
    mv::unique_handle process;
    mv::unique_handle thread;
    unsigned long id = 0;
};

// Starts a program with this process's environment; raises std::runtime_error when it cannot be started.
child_process start_child(const std::wstring& program, const std::wstring& arguments);

// The exit code of a child that has ended.
unsigned long exit_code(const child_process& child);

// Starts a program whose standard output is collected by collect_output.
child_process start_with_output(const std::wstring& program, const std::wstring& arguments, mv::unique_handle& output);
// Reads a child's output until the child has ended (at most `timeout_ms`). Not until the pipe closes: a
// process that the child starts (Wine's desktop process, for one) may inherit the pipe and keep it open.
std::string collect_output(const child_process& child, const mv::unique_handle& output,
                           unsigned long timeout_ms = 30000);

// The first visible top-level window of a process, waiting up to `timeout_ms` for it; null when none came.
HWND wait_for_window(const child_process& child, unsigned long timeout_ms);
std::wstring window_text(HWND window);

// The value of "key=value" on a line of a program's output; empty when absent.
std::string output_value(const std::string& output, const std::string& key);

struct program_run {
    unsigned long exit_code;
    std::string output;
};
// Runs a program to its end and collects its output.
program_run run_program(const std::wstring& program, const std::wstring& arguments = L"");

// A named manual-reset event for handshakes with a child, unique to this test process.
struct named_event {
    explicit named_event(const std::string& purpose);
    std::string name;
    mv::unique_handle handle;
};

// A child started as `program MODE READY STOP`: it signals READY once it holds what it holds, and ends when
// STOP is signalled, which the destructor does (waiting for the end).
struct holding_program {
    holding_program(const std::wstring& program, const std::wstring& mode);
    ~holding_program();
    holding_program(const holding_program&) = delete;
    holding_program& operator=(const holding_program&) = delete;

    named_event ready, stop;
    mv::unique_handle output;
    child_process child;
    bool started = false;
};

// A fresh folder under the temporary folder, removed with everything in it (read-only files too).
class temp_folder {
public:
    temp_folder();
    ~temp_folder();
    temp_folder(const temp_folder&) = delete;
    temp_folder& operator=(const temp_folder&) = delete;

    const std::wstring& path() const { return path_; }
    // Full path of a name inside the folder.
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Sets an environment variable of this process (null: removes it) while it lives, then restores the earlier
// value. Children started meanwhile inherit it.
class scoped_variable {
public:
    scoped_variable(std::wstring name, const wchar_t* value);
    scoped_variable(std::wstring name, const std::wstring& value) : scoped_variable(std::move(name), value.c_str()) {}
    ~scoped_variable();
    scoped_variable(const scoped_variable&) = delete;
    scoped_variable& operator=(const scoped_variable&) = delete;

private:
    std::wstring name_;
    bool present_ = false;
    std::wstring value_;
};

// Points TMP and TEMP at `folder` while it lives, so that the system's temporary folder is that one, and
// restores the earlier values afterwards.
class redirected_temp {
public:
    explicit redirected_temp(const std::wstring& folder) : tmp_(L"TMP", folder), temp_(L"TEMP", folder) {}

private:
    scoped_variable tmp_, temp_;
};

// A message-only window of this thread that counts the `message`s it receives.
class counting_window {
public:
    explicit counting_window(UINT message);
    counting_window(const counting_window&) = delete;
    counting_window& operator=(const counting_window&) = delete;

    HWND get() const noexcept { return window_.get(); }
    int count() const noexcept { return count_; }
    // Dispatches what arrives for the thread's windows during `milliseconds`, then the count.
    int count_after(unsigned long milliseconds);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    UINT message_;
    int count_ = 0;
    mv::unique_window window_;
};

std::string read_bytes(const std::wstring& path);
void write_bytes(const std::wstring& path, const std::string& bytes);

} // namespace test_support
