#pragma once
// One run of the uninstaller: it reads the log beside the program, asks the user (unless quiet), undoes the
// installation and reports what stays.

#include "uninstall/uninstall_result.hpp"
#include "uninstall/undo_installation.hpp"

#include <functional>
#include <string>

namespace product {

struct session_settings {
    bool quiet = false;               // no question and no message: for automation
    bool remove_shared_data = false;  // in quiet mode; otherwise the user is asked
    std::wstring own_program;         // the running uninstaller; the log is looked for beside it
    installer::registry_location uninstall_key = installer::product_uninstall_key();
    std::wstring application_id;      // names the instance counter of the product's running processes
};

// Lines of the report in quiet mode, one call each.
using report_sink = std::function<void(const std::wstring&)>;

uninstall_result run_uninstall(const session_settings& settings, const report_sink& report);

// The log's name, in the uninstaller's folder.
inline constexpr wchar_t log_file_name[] = L"Uninstall.ulog";

} // namespace product
