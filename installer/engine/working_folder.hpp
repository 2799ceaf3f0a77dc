#pragma once
// The run's private working folder in the system's temporary folder.

#include <array>
#include <cstdint>
#include <string>

namespace installer {

// A random (version 4) UUID from the system's cryptographic generator; raises std::system_error on failure.
std::array<std::uint8_t, 16> random_uuid_bytes();

// "merov_{" + a fresh random UUID in lower case + "}".
std::wstring working_folder_name();

// "{:08x} ({})" of an error value and the operation that failed: "00000014 (temp_directory_path)".
std::wstring operation_error_text(int value, const char* operation);

} // namespace installer
