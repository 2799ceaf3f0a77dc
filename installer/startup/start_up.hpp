#pragma once
// What runs before the program's entry: the processor check, the process set-up (error mode, locale) and
// the application set-up (folders, common controls, application identifier, instance registration).

#include "system/named_objects.hpp"

#include <cstdint>
#include <string>

namespace installer {

// Set by the processor check; the installation refuses to run while it is false.
bool processor_supported() noexcept;

// Without SSE2: the three-language message, then the process ends with exit code 1.
void check_processor(bool sse2_present);

// Error mode and process locale; true when the default locale can classify characters. Runs once.
bool process_setup();

// Runs once; on a failure shows "Initialization Error" and ends the process with exit code -11.
void application_setup();

// Ends start-up: "Initialization Error" without owner and caption, then exit code -11.
[[noreturn]] void fail_initialization();

// The name shared by the installer and the installed product for their cross-process objects.
const std::wstring& application_id();

// Name of the instance counter of an application (without the "Global\\" prefix).
std::wstring instance_counter_name(const std::wstring& application);

// The count of running processes of the application; this process holds one unit after start-up.
mv::counted_semaphore& instance_counter();

// Folders computed once at start-up.
struct application_folders {
    std::wstring documents;         // the user's Documents folder
    std::wstring common_app_data;   // all users' application data, with the maker's folder
    std::wstring user_app_data;     // the user's roaming application data, with the maker's folder
};
const application_folders& app_folders();

// (major << 16) | minor of the loaded common controls; 0 when it cannot be told. Wine's side-by-side copy
// of version 6 reports 5.81, so a module loaded from that assembly counts as 6.0.
std::uint32_t common_controls_version();

// Winsock is started on the first acquire and cleaned up on the last release.
void winsock_acquire();
void winsock_release();

} // namespace installer
