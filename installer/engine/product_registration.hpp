#pragma once
// The one run of the installed program after the installation, in which it registers its file types.

#include <cstdint>
#include <string>

namespace mv {
class named_mutex;
}

namespace installer {

class install_context;
class uninstall_log;

// The program's exit code when it registered itself.
inline constexpr int registration_succeeded = -10;

// The quoted program path with " /Register /Background", and " /update=" with the earlier version's 16
// hexadecimal digits when an older version (`previous_version` not 0) is being updated.
std::wstring registration_command_line(const std::wstring& program_path, std::uint64_t previous_version);

// Runs the program in its own folder and waits for it without a time limit, with `installer_mutex` given
// up for the length of the run (the program may take it) and taken back afterwards unless another process
// holds it then. Records the registration and reports it done when the program exits with
// registration_succeeded; then tells the shell that file associations changed. True on success, false when
// the program could not be started or reported failure.
bool register_product(uninstall_log& log, mv::named_mutex& installer_mutex, const std::wstring& program_path,
                      std::uint64_t previous_version);

// The same for the installation: the context's log, installer mutex and earlier version.
bool register_product(install_context& context, const std::wstring& main_program_path);

} // namespace installer
