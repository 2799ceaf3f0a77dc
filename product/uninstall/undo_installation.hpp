#pragma once
// Undoing what an uninstall log names, last record first: files, shortcuts, folders when empty, the
// product's Add/Remove Programs key with its tree, its file types and the value that names its program.
// Nothing that the log does not name is touched.

#include "record/log_record.hpp"
#include "record/uninstall_key_location.hpp"

#include <list>
#include <string>
#include <vector>

namespace product {

struct undo_settings {
    bool remove_shared_data = false;  // shared data files may hold the user's own changes
    std::wstring own_program;         // the running uninstaller, removed after everything else
    std::wstring log_path;            // the log itself, removed after the records are undone
    installer::registry_location uninstall_key = installer::product_uninstall_key();
};

struct undo_outcome {
    std::vector<std::wstring> not_removed;  // files, folders and keys that stay against the log's word
    std::vector<std::wstring> kept;         // shared data files kept at the user's choice
};

// Whether a record names a shared data file.
bool is_shared_data(const installer::log_record& record);

undo_outcome undo_installation(const std::list<installer::log_record>& records, const undo_settings& settings);

} // namespace product
