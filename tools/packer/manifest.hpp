#pragma once
// The packer's manifest: a UTF-8 text file with one payload entry per line,
//     kind | destination folder | source file
// for example "shared_data | <CommonData>\Merov & Dudidivi\Tarvolith 7 | data/materials.lib".
// Blank lines and lines whose first visible character is '#' are ignored. Source files are found relative to
// the manifest's folder; the installed file takes the source's file name.

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace packer {

struct manifest_entry {
    std::uint32_t kind = 0;
    std::u16string folder;       // as stored in the archive, with Windows separators
    std::u16string source;       // the source path as written, with Windows separators
    std::filesystem::path file;  // the source file on this machine
    unsigned line = 0;
};

// Every bad line of a manifest, each message "file:line: reason".
class manifest_error : public std::runtime_error {
public:
    explicit manifest_error(std::vector<std::string> messages);
    const std::vector<std::string>& messages() const noexcept { return messages_; }

private:
    std::vector<std::string> messages_;
};

// One line of a manifest that is neither blank nor a comment: its number and its fields, trimmed.
struct manifest_line {
    unsigned number = 0;
    std::vector<std::string> fields;
};

// The lines of a manifest that list files, unchecked; raises manifest_error when it cannot be read.
std::vector<manifest_line> manifest_lines(const std::filesystem::path& manifest);

// Reads and checks a whole manifest, including that every source file exists; raises manifest_error.
std::vector<manifest_entry> read_manifest(const std::filesystem::path& manifest);

// The entry kind of a name ("language_file" ... "temporary"); false for an unknown name.
bool kind_from_name(const std::string& name, std::uint32_t& kind);

// Decodes UTF-8 into UTF-16; false when the text is not valid UTF-8.
bool utf8_to_utf16(const std::string& text, std::u16string& out);

} // namespace packer
