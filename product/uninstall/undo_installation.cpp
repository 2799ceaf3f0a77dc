#include "uninstall/undo_installation.hpp"

#include "common/file_types.hpp"
#include "common/installed_path.hpp"
#include "common/registry_cleanup.hpp"
#include "record/file_operations.hpp"
#include "record/same_path.hpp"
#include "startup/product.hpp"
#include "uninstall/running_program.hpp"

#include <windows.h>

#include <algorithm>

namespace product {

namespace {

constexpr std::int32_t tag_main_program = 1;
constexpr std::int32_t tag_shared_data = 3;

std::wstring root_name(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
        return L"HKEY_LOCAL_MACHINE";
    if (root == HKEY_CURRENT_USER)
        return L"HKEY_CURRENT_USER";
    return L"HKEY_CLASSES_ROOT";
}

bool inside(const std::wstring& path, const std::wstring& folder)
{
    return path.size() > folder.size() && path[folder.size()] == L'\\' &&
           ::CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                                  static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

bool remove_folder(const std::wstring& path)
{
    return ::RemoveDirectoryW(path.c_str()) || !installer::is_taken(path);
}

class undo_run {
public:
    explicit undo_run(const undo_settings& settings) : settings_(settings) {}

    void undo(const installer::log_record& record)
    {
        using installer::record_kind;
        switch (record.kind) {
        case record_kind::created_folder:
            if (!record.path.empty() && !remove_folder(record.path))
                folders_left_.push_back(record.path);
            break;
        case record_kind::installed_file:
            if (record.tag == tag_main_program && main_program_.empty())
                main_program_ = record.path;
            if (!settings_.own_program.empty() && installer::same_path(record.path, settings_.own_program)) {
                removes_itself_ = true;
            } else if (is_shared_data(record) && !settings_.remove_shared_data) {
                if (installer::is_taken(record.path))
                    outcome_.kept.push_back(record.path);
            } else {
                remove(record.path);
            }
            break;
        case record_kind::start_menu_shortcut:
        case record_kind::reserved:
        case record_kind::desktop_shortcut:
            remove(record.path);
            break;
        case record_kind::uninstall_key: {
            const installer::registry_location& key = settings_.uninstall_key;
            if (!delete_key_tree(key.root, key.path()))
                outcome_.not_removed.push_back(root_name(key.root) + L"\\" + key.path());
            break;
        }
        case record_kind::file_associations:
            if (!unregister_file_types())
                outcome_.not_removed.push_back(std::wstring(L"HKEY_CLASSES_ROOT\\") + project_class);
            break;
        case record_kind::directx_update:
            break;  // DirectX belongs to the system, and other programs use it
        }
    }

    undo_outcome finish()
    {
        if (!main_program_.empty() && !remove_installed_path(main_program_))
            outcome_.not_removed.push_back(L"HKEY_LOCAL_MACHINE\\" + installer::maker_key_path() + L"\\" +
                                           installer::installed_path_value_name());
        if (!settings_.log_path.empty())
            remove(settings_.log_path);
        if (removes_itself_ && !remove_running_program(settings_.own_program))
            outcome_.not_removed.push_back(settings_.own_program);
        // The program and its log were still in these folders; the deeper ones come first, as in the log.
        for (const std::wstring& folder : folders_left_)
            if (!remove_folder(folder) && !holds_kept_file(folder))
                outcome_.not_removed.push_back(folder);
        return std::move(outcome_);
    }

private:
    void remove(const std::wstring& path)
    {
        if (!installer::remove_file(path))
            outcome_.not_removed.push_back(path);
    }

    bool holds_kept_file(const std::wstring& folder) const
    {
        return std::any_of(outcome_.kept.begin(), outcome_.kept.end(),
                           [&](const std::wstring& kept) { return inside(kept, folder); });
    }

    const undo_settings& settings_;
    undo_outcome outcome_;
    std::vector<std::wstring> folders_left_;
    std::wstring main_program_;
    bool removes_itself_ = false;
};

} // namespace

bool is_shared_data(const installer::log_record& record)
{
    return record.kind == installer::record_kind::installed_file && record.tag == tag_shared_data;
}

undo_outcome undo_installation(const std::list<installer::log_record>& records, const undo_settings& settings)
{
    undo_run run(settings);
    for (auto record = records.rbegin(); record != records.rend(); ++record)
        run.undo(*record);
    return run.finish();
}

} // namespace product
