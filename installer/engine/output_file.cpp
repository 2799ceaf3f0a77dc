#include "engine/output_file.hpp"

#include "engine/file_failure.hpp"
#include "engine/read_only.hpp"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <limits>

namespace installer {

namespace fs = std::filesystem;

output_file::output_file(const std::wstring& path)
    : file_(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))
{
    if (!file_)
        throw_last_file_error("open");
}

void output_file::write(const char* data, std::size_t size)
{
    while (size > 0) {
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max()));
        DWORD written = 0;
        if (!::WriteFile(file_.get(), data, part, &written, nullptr))
            throw_last_file_error("write");
        if (written == 0)
            throw file_failure("write", ERROR_WRITE_FAULT);
        data += written;
        size -= written;
    }
}

std::unique_ptr<output_file> open_output(const std::wstring& destination, shared_folders& shared)
{
    const fs::path path(destination);
    const fs::path parent = path.parent_path();
    std::error_code error;
    if (fs::exists(path, error)) {
        set_read_only(destination, false);  // a file that stays read-only fails to open below
    } else if (!parent.empty() && !fs::exists(parent, error)) {
        if (!fs::create_directories(parent, error) && error)
            throw fs::filesystem_error("create_directories", parent, error);
    }
    shared.open_shared_folders(parent.wstring());
    return std::make_unique<output_file>(destination);
}

} // namespace installer
