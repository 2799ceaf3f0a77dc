#pragma once

#include <string>

namespace installer {

// Whether two paths name the same file or folder: equal as paths, else the same existing object on the
// same volume, else (one does not exist) equal in their lexically normal forms.
bool same_path(const std::wstring& a, const std::wstring& b);

} // namespace installer
