#include "packer/manifest.hpp"

#include <array>
#include <fstream>
#include <map>
#include <sstream>

namespace packer {
namespace {

namespace fs = std::filesystem;

constexpr std::array<const char*, 6> kind_names = {
    "language_file", "main_program", "uninstaller", "shared_data", "sample", "temporary"};

constexpr std::array<const char*, 13> folder_tokens = {
    "<InstallPath>", "<SamplePath>", "<ProgramFiles>", "<ProgramCommon>", "<CommonData>", "<UserData>",
    "<CommonDocuments>", "<Documents>", "<CommonDesktop>", "<Desktop>", "<WinDir>", "<System>", "<Temporary>"};

std::string trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string> split_fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const auto bar = line.find('|', start);
        fields.push_back(trim(line.substr(start, bar - start)));
        if (bar == std::string::npos)
            return fields;
        start = bar + 1;
    }
}

std::string with_backslashes(std::string text)
{
    for (char& c : text)
        if (c == '/')
            c = '\\';
    return text;
}

std::vector<std::string> elements(const std::string& path)  // of a path with backslashes
{
    std::vector<std::string> parts;
    std::istringstream in(path);
    for (std::string part; std::getline(in, part, '\\');)
        parts.push_back(part);
    return parts;
}

bool has_control_character(const std::string& text)
{
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F)
            return true;
    return false;
}

bool is_token(const std::string& element)
{
    for (const char* token : folder_tokens)
        if (element == token)
            return true;
    return false;
}

// Empty when the folder is acceptable, else the reason.
std::string check_folder(const std::string& folder)
{
    if (has_control_character(folder) || folder.find_first_of("\"*?") != std::string::npos)
        return "destination folder '" + folder + "' holds a character that Windows does not allow in paths";
    const std::vector<std::string> parts = elements(folder);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (i == 0 && !part.empty() && part.front() == '<') {
            if (!is_token(part))
                return "unknown folder token '" + part + "'";
            continue;
        }
        if (part.find_first_of("<>") != std::string::npos)
            return "destination folder '" + folder + "': '<' and '>' are allowed only around a leading token";
        if (part == "." || part == "..")
            return "destination folder '" + folder + "' must not contain '.' or '..' elements";
    }
    return {};
}

std::string check_source(const std::string& source, const std::string& file_name)
{
    if (has_control_character(source))
        return "source path '" + source + "' holds a control character";
    if (file_name.empty() || file_name == "." || file_name == "..")
        return "source path '" + source + "' does not end with a file name";
    if (file_name.find_first_of("<>:\"|?*") != std::string::npos)
        return "file name '" + file_name + "' holds a character that Windows does not allow in file names";
    return {};
}

std::string lower_ascii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string check_file(const fs::path& file, const std::string& source)
{
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found)
        return "source file '" + source + "' does not exist (looked for " + file.string() + ")";
    if (error)
        return "source file '" + source + "' cannot be examined: " + error.message();
    if (status.type() != fs::file_type::regular)
        return "source file '" + source + "' is not a regular file";
    return {};
}

} // namespace

manifest_error::manifest_error(std::vector<std::string> messages)
    : std::runtime_error(messages.empty() ? std::string("bad manifest") : messages.front()),
      messages_(std::move(messages))
{
}

bool kind_from_name(const std::string& name, std::uint32_t& kind)
{
    for (std::size_t i = 0; i < kind_names.size(); ++i) {
        if (name == kind_names[i]) {
            kind = static_cast<std::uint32_t>(i);
            return true;
        }
    }
    return false;
}

bool utf8_to_utf16(const std::string& text, std::u16string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::uint32_t code;
        std::size_t length;
        if (lead < 0x80) {
            code = lead;
            length = 1;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            code = lead & 0x1Fu;
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            code = lead & 0x0Fu;
            length = 3;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            code = lead & 0x07u;
            length = 4;
        } else {
            return false;
        }
        if (text.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u)
                return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        static constexpr std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;  // overlong forms, surrogates and values beyond Unicode
        if (code < 0x10000) {
            out.push_back(static_cast<char16_t>(code));
        } else {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FFu)));
        }
        i += length;
    }
    return true;
}

std::vector<manifest_line> manifest_lines(const fs::path& manifest)
{
    std::ifstream in(manifest, std::ios::binary);
    if (!in)
        throw manifest_error({manifest.string() + ": cannot be read"});
    std::vector<manifest_line> lines;
    std::string line;
    for (unsigned number = 1; std::getline(in, line); ++number) {
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string content = trim(line);
        if (!content.empty() && content.front() != '#')
            lines.push_back({number, split_fields(content)});
    }
    if (in.bad())
        throw manifest_error({manifest.string() + ": cannot be read"});
    return lines;
}

std::vector<manifest_entry> read_manifest(const fs::path& manifest)
{
    const fs::path base = manifest.parent_path();
    std::vector<manifest_entry> entries;
    std::vector<std::string> errors;
    std::map<std::string, unsigned> destinations;  // lower-case destination path: its line
    for (const auto& [number, fields] : manifest_lines(manifest)) {
        const auto fail = [&, number = number](const std::string& reason) {
            errors.push_back(manifest.string() + ":" + std::to_string(number) + ": " + reason);
        };
        if (fields.size() != 3) {
            fail("expected 'kind | destination folder | source file', found " + std::to_string(fields.size()) +
                 " field(s)");
            continue;
        }
        manifest_entry entry;
        entry.line = number;
        const std::string folder = with_backslashes(fields[1]);
        const std::string source = with_backslashes(fields[2]);
        const std::string file_name = source.substr(source.find_last_of('\\') + 1);
        std::string reason;
        if (!kind_from_name(fields[0], entry.kind))
            reason = "unknown kind '" + fields[0] + "' (known: language_file, main_program, uninstaller, "
                     "shared_data, sample, temporary)";
        else if (folder.empty())
            reason = "the destination folder is empty";
        else if (source.empty())
            reason = "the source file is empty";
        else if (!utf8_to_utf16(folder, entry.folder) || !utf8_to_utf16(source, entry.source))
            reason = "the line is not valid UTF-8";
        if (reason.empty())
            reason = check_folder(folder);
        if (reason.empty())
            reason = check_source(source, file_name);
        if (reason.empty()) {
            std::string local = source;
            for (char& c : local)
                if (c == '\\')
                    c = '/';
            entry.file = base / fs::path(local);
            reason = check_file(entry.file, fields[2]);
        }
        if (reason.empty()) {
            const auto [at, inserted] = destinations.emplace(lower_ascii(folder + "\\" + file_name), number);
            if (!inserted)
                reason = "destination '" + folder + "\\" + file_name + "' is also written by line " +
                         std::to_string(at->second);
        }
        if (!reason.empty()) {
            fail(reason);
            continue;
        }
        entries.push_back(std::move(entry));
    }
    if (errors.empty() && entries.empty())
        errors.push_back(manifest.string() + ": lists no file");
    if (!errors.empty())
        throw manifest_error(std::move(errors));
    return entries;
}

} // namespace packer
