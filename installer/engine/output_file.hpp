#pragma once
// The file that an extracted entry is written to.

#include "engine/destination.hpp"
#include "system/unique_any.hpp"

#include <cstddef>
#include <memory>
#include <string>

namespace installer {

// A file opened for writing, truncated, with no sharing: no other process can read or write it while it is open.
class output_file {
public:
    // Raises file_failure when the file cannot be opened.
    explicit output_file(const std::wstring& path);

    // Raises file_failure (disk full, ...). The close, on destruction, is not examined: the verification read
    // decides whether the file is right.
    void write(const char* data, std::size_t size);

private:
    mv::unique_file file_;
};

// Opens the output of an entry: clears the read-only attribute of a file already there, creates the missing
// folders (raising std::filesystem::filesystem_error naming "create_directories"), grants the pending shared
// folders on the way up from the file's folder, then opens the file.
std::unique_ptr<output_file> open_output(const std::wstring& destination, shared_folders& shared);

} // namespace installer
