#pragma once
// The product's file type: its project files, their extension and the command that opens them, under
// HKEY_CLASSES_ROOT. The main program registers it; the uninstaller takes it away again.

#include <string>

namespace product {

inline constexpr wchar_t project_extension[] = L".tvp";
inline constexpr wchar_t project_class[] = L"Tarvolith.Project.7";

// The command line that opens a project file with `program`.
std::wstring open_command(const std::wstring& program);

// Registers the extension and its class with `description`, its icon and its open command for `program`.
// Raises std::system_error when a key or value cannot be written.
void register_file_types(const std::wstring& program, const std::wstring& description);

// The program that the registered class opens project files with; empty when the type is not registered.
std::wstring registered_program();

// Removes the class, and the extension when it still names the class (another program that took the
// extension over keeps it). True when nothing of the product's registration remains.
bool unregister_file_types() noexcept;

} // namespace product
