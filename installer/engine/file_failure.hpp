#pragma once
// A failed file operation: a stream failure that carries the operating system's error in the system category.

#include <ios>
#include <string>

namespace installer {

class file_failure : public std::ios_base::failure {
public:
    // `operation` names what failed; an error of 0 (none recorded) gives the generic stream error.
    file_failure(const std::string& operation, unsigned long system_error);
};

// Raises file_failure with the calling thread's last Windows error.
[[noreturn]] void throw_last_file_error(const std::string& operation);

} // namespace installer
