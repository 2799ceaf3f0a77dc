#include "engine/destination.hpp"

#include "engine/compress_error.hpp"
#include "system/co_task_memory.hpp"
#include "wizard/message_box.hpp"

#include <knownfolders.h>

#include <stdexcept>

namespace installer {

namespace {

// The buffer decides, not the status: an unknown or virtual CSIDL leaves it empty. Nothing is created.
std::wstring folder_path(int csidl)
{
    wchar_t buffer[MAX_PATH] = {};
    ::SHGetFolderPathW(find_owner_window(), csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
    return buffer;
}

struct known_folder_choice {
    const KNOWNFOLDERID* id;
    bool show_failure;
};

struct shortcut_folder_entry {
    known_folder_choice first;
    known_folder_choice fallback;  // id null: none
};

const shortcut_folder_entry shortcut_folders[] = {
    {{&FOLDERID_ProgramFiles, true}, {nullptr, false}},
    {{&FOLDERID_CommonPrograms, false}, {&FOLDERID_Programs, true}},
    {{&FOLDERID_PublicDesktop, false}, {&FOLDERID_Desktop, false}},
};

} // namespace

std::wstring shell_folder(int csidl, int fallback_csidl, bool use_fallback)
{
    std::wstring path = folder_path(csidl);
    if (path.empty() && use_fallback)
        path = folder_path(fallback_csidl);
    if (path.empty())
        throw_compress_error(compress_errc::unexpected);
    return path;
}

known_folder_answer query_known_folder(const KNOWNFOLDERID& id)
{
    mv::unique_co_task_string path;
    known_folder_answer answer;
    answer.status = ::SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, path.put());
    if (SUCCEEDED(answer.status) && path)
        answer.path = path.get();
    return answer;
}

std::wstring known_folder(const KNOWNFOLDERID& id, bool show_failure)
{
    known_folder_answer answer = query_known_folder(id);
    if (FAILED(answer.status)) {
        if (show_failure)
            show_known_folder_failure(answer.status);
        return {};
    }
    return std::move(answer.path);
}

std::wstring shortcut_folder(int number)
{
    return shortcut_folder(number, known_folder);
}

std::wstring shortcut_folder(int number, const known_folder_lookup& lookup)
{
    if (number < 0 || number >= static_cast<int>(std::size(shortcut_folders)))
        throw std::invalid_argument("shortcut_folder: no such folder");
    const shortcut_folder_entry& entry = shortcut_folders[number];
    std::wstring path = lookup(*entry.first.id, entry.first.show_failure);
    if (path.empty() && entry.fallback.id)
        path = lookup(*entry.fallback.id, entry.fallback.show_failure);
    return path;
}

} // namespace installer
