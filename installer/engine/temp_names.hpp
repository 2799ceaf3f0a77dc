#pragma once
// Names in the system's temporary folder: backups of replaced files and keys are kept there until the
// installation is saved or rolled back.

#include <random>
#include <string>

namespace installer {

// The system's temporary folder as GetTempPathW reports it. Raises std::filesystem::filesystem_error
// ("temp_directory_path"): the system's error, or not_a_directory when the reported path is no folder.
std::wstring temp_directory();

// A full path "mv-xxxxx.tmp" (five random lower-case hexadecimal digits) in the temporary folder that did not
// exist when it was drawn. Raises as temp_directory does.
std::wstring unique_temp_path();

// The drawing itself: names from `generator` joined to `folder` until one does not exist.
std::wstring unique_temp_path(const std::wstring& folder, std::mt19937& generator);

} // namespace installer
