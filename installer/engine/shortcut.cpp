#include "engine/shortcut.hpp"

#include "engine/destination.hpp"
#include "record/file_operations.hpp"
#include "record/uninstall_log.hpp"
#include "startup/install_context.hpp"
#include "startup/product.hpp"
#include "system/com_object.hpp"

#include <windows.h>
#include <shlobj.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace installer {

namespace {

void check(HRESULT result, const char* operation)
{
    if (FAILED(result))
        throw std::system_error(static_cast<int>(result), std::system_category(), operation);
}

// The desktop folder is looked up inside the protected part: a lookup that raises fails that shortcut only.
template <typename Folder>
bool recorded_shortcut(uninstall_log& log, bool desktop, Folder folder, const std::wstring& target)
{
    bool announced = false;
    try {
        const std::wstring where = folder();
        log.add_shortcut(desktop, where);
        announced = true;
        log.commit(true, create_shortcut(target, where, product_title(false)));
        return true;
    } catch (const std::exception&) {
        // Without its own record, a commit would report on whichever step was announced before.
        if (announced)
            log.commit(false, {});
        return false;
    }
}

} // namespace

std::wstring shortcut_path(const std::wstring& target, const std::wstring& folder, const std::wstring& link_name)
{
    const std::wstring name = link_name.empty() ? std::filesystem::path(target).stem().wstring() : link_name;
    // Appended as text: the dot in "7.12d" is no extension to replace.
    return (std::filesystem::path(folder) / name).wstring() + L".lnk";
}

std::wstring create_shortcut(const std::wstring& target, const std::wstring& folder, const std::wstring& link_name)
{
    // Joined with an empty folder, the link would land wherever the current folder happens to be.
    if (target.empty() || folder.empty())
        throw std::invalid_argument("create_shortcut: empty target or folder");

    const mv::com_apartment apartment;
    mv::com_ptr<IShellLinkW> link;
    check(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, mv::put_void(link)),
          "CoCreateInstance");
    // A link whose path or folder did not take is still a link; only the save is judged.
    link.get()->SetPath(target.c_str());
    link.get()->SetWorkingDirectory(containing_folder(target).c_str());

    mv::com_ptr<IPersistFile> file;
    check(link.get()->QueryInterface(IID_IPersistFile, mv::put_void(file)), "QueryInterface");
    const std::wstring path = shortcut_path(target, folder, link_name);
    check(file.get()->Save(path.c_str(), TRUE), "IPersistFile::Save");
    return path;
}

bool add_recorded_shortcut(uninstall_log& log, bool desktop, const std::wstring& folder, const std::wstring& target)
{
    return recorded_shortcut(log, desktop, [&] { return folder; }, target);
}

bool create_shortcuts(install_context& context, const std::wstring& main_program_path)
{
    bool ok = true;
    if (context.start_menu_shortcut)
        ok = add_recorded_shortcut(context.uninstall_log, false, context.start_menu_folder, main_program_path) && ok;
    if (context.desktop_shortcut)
        ok = recorded_shortcut(context.uninstall_log, true, [] { return shortcut_folder(2); }, main_program_path) && ok;
    return ok;
}

} // namespace installer
