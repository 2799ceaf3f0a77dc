#include "common/registry_cleanup.hpp"

#include "system/registry_key.hpp"

#include <utility>

namespace product {

namespace {

// The key's parent path and its own name.
std::pair<std::wstring, std::wstring> split(const std::wstring& path)
{
    const auto at = path.rfind(L'\\');
    if (at == std::wstring::npos)
        return {std::wstring(), path};
    return {path.substr(0, at), path.substr(at + 1)};
}

bool is_empty(HKEY root, const std::wstring& path)
{
    const mv::registry_key key = mv::open_key(root, path);
    DWORD subkeys = 0, values = 0;
    return key &&
           ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                              nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys == 0 && values == 0;
}

} // namespace

bool delete_key_when_empty(HKEY root, const std::wstring& path) noexcept
{
    try {
        if (!mv::open_key(root, path))
            return true;
        return is_empty(root, path) && delete_key_tree(root, path);
    } catch (...) {
        return false;
    }
}

bool delete_key_tree(HKEY root, const std::wstring& path) noexcept
{
    try {
        const auto [parent, name] = split(path);
        const mv::registry_key above = parent.empty() ? mv::registry_key(root) : mv::open_key(root, parent);
        return !above || mv::delete_key_tree(above, name);
    } catch (...) {
        return false;
    }
}

} // namespace product
