#include "common/file_types.hpp"

#include "common/registry_cleanup.hpp"
#include "system/registry_key.hpp"

#include <shlobj.h>

namespace product {

namespace {

std::wstring class_path(const wchar_t* below)
{
    return std::wstring(project_class) + below;
}

} // namespace

std::wstring open_command(const std::wstring& program)
{
    return L"\"" + program + L"\" \"%1\"";
}

void register_file_types(const std::wstring& program, const std::wstring& description)
{
    const mv::registry_key type = mv::create_key(HKEY_CLASSES_ROOT, project_class);
    mv::set_string(type, L"", description);
    mv::set_string(mv::create_key(type, L"DefaultIcon"), L"", program + L",0");
    mv::set_string(mv::create_key(type, L"shell\\open\\command"), L"", open_command(program));
    mv::set_string(mv::create_key(HKEY_CLASSES_ROOT, project_extension), L"", project_class);
}

std::wstring registered_program()
{
    const mv::registry_key extension = mv::open_key(HKEY_CLASSES_ROOT, project_extension);
    std::wstring name;
    if (!extension || !mv::get_string(extension, L"", name) || name != project_class)
        return {};
    const mv::registry_key command = mv::open_key(HKEY_CLASSES_ROOT, class_path(L"\\shell\\open\\command"));
    std::wstring line;
    if (!command || !mv::get_string(command, L"", line))
        return {};
    // The program is the command's first, quoted, element.
    if (line.size() < 2 || line.front() != L'"')
        return {};
    const auto closing = line.find(L'"', 1);
    return closing == std::wstring::npos ? std::wstring() : line.substr(1, closing - 1);
}

bool unregister_file_types() noexcept
{
    bool complete = delete_key_tree(HKEY_CLASSES_ROOT, project_class);
    try {
        const mv::registry_key extension = mv::open_key(HKEY_CLASSES_ROOT, project_extension);
        std::wstring name;
        if (extension && mv::get_string(extension, L"", name) && name == project_class) {
            if (::RegDeleteValueW(extension.get(), nullptr) != ERROR_SUCCESS)
                complete = false;
        }
    } catch (...) {
        complete = false;
    }
    // What another program keeps in the extension's key (its own class, an "OpenWithProgids" list) stays.
    delete_key_when_empty(HKEY_CLASSES_ROOT, project_extension);
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
    return complete;
}

} // namespace product
