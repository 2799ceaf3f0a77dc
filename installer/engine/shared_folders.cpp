#include "engine/destination.hpp"

#include "record/same_path.hpp"
#include "system/security.hpp"

#include <filesystem>
#include <system_error>
#include <utility>

namespace installer {

namespace {

// Full access for the Users group, inherited by the folder's sub-folders and files.
constexpr ACCESS_MASK shared_folder_access = FILE_ALL_ACCESS;
constexpr BYTE shared_folder_inheritance = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

// Asked of the system rather than of std::filesystem::status: the C runtime's stat beneath it reports every
// failure as "not found", so a folder that cannot be examined would pass unnoticed.
bool is_existing_folder(const std::filesystem::path& walk)
{
    if (walk.empty())
        return false;
    const DWORD attributes = ::GetFileAttributesW(walk.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const DWORD error = ::GetLastError();
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return false;
    default:
        throw std::filesystem::filesystem_error("status", walk,
                                                std::error_code(static_cast<int>(error), std::system_category()));
    }
}

// Whether `folder` is `start` or one of its existing ancestors.
bool lies_on_way_up(const std::filesystem::path& start, const std::wstring& folder)
{
    std::filesystem::path walk = start;
    while (is_existing_folder(walk)) {
        if (same_path(walk.native(), folder))
            return true;
        std::filesystem::path parent = walk.parent_path();
        if (parent.native().size() >= walk.native().size())
            return false;  // the root
        walk = std::move(parent);
    }
    return false;
}

} // namespace

shared_folders::shared_folders() : grant_(mv::grant_access) {}

shared_folders::shared_folders(grant_function grant) : grant_(std::move(grant)) {}

void shared_folders::record_shared_folder(const std::wstring& folder)
{
    for (const element& known : elements_)
        if (same_path(known.folder, folder))
            return;
    elements_.push_back({folder, false});
}

void shared_folders::open_shared_folders(const std::wstring& start)
{
    const std::filesystem::path start_path(start);
    for (element& pending : elements_) {
        if (pending.granted || !lies_on_way_up(start_path, pending.folder))
            continue;
        pending.granted = true;
        // A failed grant leaves the folder as it is; the file is written all the same.
        grant_(pending.folder, shared_folder_access, shared_folder_inheritance);
    }
}

} // namespace installer
