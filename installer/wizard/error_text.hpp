#pragma once
// Error codes (HRESULTs and Win32 error codes) as text for the user.

#include <windows.h>

#include <string>

namespace installer {

// Codes with this bit are the installer's own.
inline constexpr DWORD customer_bit = 0x20000000;
// With the customer bit: the low 16 bits are the id of a string resource.
inline constexpr DWORD string_resource_bit = 0x08000000;

// The installer's string for its own codes, else the system's text; E_FAIL's text when there is none.
std::wstring error_text(DWORD code);

// The system's message for a code in a language (0: neutral), without trailing line ends. Never fails:
// a code without a message gives E_FAIL's text, and E_FAIL without one gives "Error".
std::wstring system_error_text(DWORD code, LANGID language);

} // namespace installer
