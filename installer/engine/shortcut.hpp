#pragma once
// Shortcuts to the installed program in the Start menu and on the desktop.

#include <string>

namespace installer {

class install_context;
class uninstall_log;

// Saves a shell link to `target` (working folder: the target's folder) in `folder`, which must exist, as
// `link_name` + ".lnk" (an empty name: the target's file name without its extension), replacing a link of
// that name. Returns the link file's full path. Raises std::system_error carrying the HRESULT when the link
// cannot be made or saved, std::invalid_argument for an empty target or folder.
std::wstring create_shortcut(const std::wstring& target, const std::wstring& folder, const std::wstring& link_name);

// Where a link of that name goes: the folder joined with the name (or the target's stem) and ".lnk".
std::wstring shortcut_path(const std::wstring& target, const std::wstring& folder, const std::wstring& link_name);

// One shortcut as the installation makes it: announced to the log, created in `folder` under the product's
// long title, and reported with its path; reported as not done when it cannot be made. True when made.
bool add_recorded_shortcut(uninstall_log& log, bool desktop, const std::wstring& folder, const std::wstring& target);

// The shortcut step: the Start-menu shortcut, then the desktop one, each only when the context asks for
// it; a failure of one does not keep the other from being tried. True when every one asked for was made.
bool create_shortcuts(install_context& context, const std::wstring& main_program_path);

} // namespace installer
