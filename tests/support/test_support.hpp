#pragma once
// Helpers shared by the test programs: paths beside the test, child processes, Wine detection.

#include "system/unique_any.hpp"

#include <string>

namespace test_support {

// Full path of a file in the folder of the running test program (fixtures and the installer are built there).
std::wstring beside_test(const std::wstring& file_name);

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

} // namespace test_support
