#include "startup/module_path.hpp"

#include <windows.h>

#include <filesystem>
#include <vector>

namespace installer {

std::wstring executable_path()
{
    // GetModuleFileNameW truncates silently; grow until the whole path fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring executable_stem()
{
    return std::filesystem::path(executable_path()).stem().wstring();
}

} // namespace installer
