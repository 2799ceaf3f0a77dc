#pragma once
// The private working folder of one installation, in the system's temporary folder.

#include <string>

namespace installer {

// Sets `temp_folder` to the system's temporary folder joined with "merov_{<random version-4 UUID>}"; the
// folder itself is made only when the first file goes into it. Without a temporary folder, returns false
// with `error_text` such as "00000014 (temp_directory_path)" and leaves `temp_folder` as it was.
bool make_temp_folder(std::wstring& temp_folder, std::wstring& error_text);

} // namespace installer
