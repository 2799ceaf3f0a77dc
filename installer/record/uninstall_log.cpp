#include "record/uninstall_log.hpp"

#include "record/file_operations.hpp"
#include "record/same_path.hpp"
#include "startup/product.hpp"
#include "system/txtf_stream.hpp"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <locale>
#include <optional>
#include <sstream>
#include <string_view>

namespace installer {

namespace {

constexpr DWORD saved_attributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool is_blank(wchar_t c)
{
    return std::iswspace(c) || std::iswblank(c);
}

std::wstring trim_right(std::wstring text)
{
    while (!text.empty() && is_blank(text.back()))
        text.pop_back();
    return text;
}

std::wstring trim(std::wstring_view text)
{
    while (!text.empty() && is_blank(text.front()))
        text.remove_prefix(1);
    return trim_right(std::wstring(text));
}

// The text after `key`, or nothing when the line lacks it.
std::optional<std::wstring_view> after(std::wstring_view line, std::wstring_view key)
{
    const auto at = line.find(key);
    if (at == std::wstring_view::npos)
        return std::nullopt;
    return line.substr(at + key.size());
}

// "0005:0101:1 -- C:\...": position, kind and tag, done, then the text.
std::optional<log_record> parse_record(const std::wstring& line)
{
    std::wistringstream in(line);
    in.imbue(std::locale::classic());
    long long position = -1, packed = -1;
    wchar_t colon1 = 0, colon2 = 0, done = 0;
    std::wstring dashes;
    in >> position >> colon1 >> std::hex >> packed >> colon2 >> done >> dashes;
    if (!in || position < 0 || colon1 != L':' || colon2 != L':' || packed < 0 || (packed >> 8) > 7 ||
        (done != L'0' && done != L'1') || dashes != L"--")
        return std::nullopt;

    log_record record;
    record.kind = static_cast<record_kind>(packed >> 8);
    record.tag = (packed & 0xFF) == 0xFF ? -1 : static_cast<std::int32_t>(packed & 0xFF);
    record.done = done == L'1';
    if (record.kind != record_kind::uninstall_key && record.kind != record_kind::file_associations) {
        std::wstring text;
        std::getline(in >> std::ws, text);
        record.path = text;
    }
    return record;
}

} // namespace

void uninstall_log::load(const std::wstring& path)
{
    install_folder.clear();
    start_menu_folder.clear();
    has_desktop_shortcut = true;
    if (path.empty())
        return;

    try {
        mv::txtf::wifstream in(path);
        in.exceptions(std::ios::badbit);
        int counted = 0;
        long version = 0;
        std::wstring line;
        while (std::getline(in, line)) {
            if (line.empty())
                continue;
            line = trim_right(line);
            if (line.starts_with(L"//")) {
                std::wstring_view header = line;
                header.remove_prefix(std::min(header.find_first_not_of(L'/'), header.size()));
                while (!header.empty() && is_blank(header.front()))
                    header.remove_prefix(1);
                if (counted == 0) {
                    const auto number = after(header, L"Uninstall Log File v");
                    if (!number)
                        return;
                    version = std::wcstol(std::wstring(*number).c_str(), nullptr, 10);
                    if (version != 1)
                        return;
                } else if (counted == 2) {
                    const auto title = after(header, L"Install");
                    if (!title)
                        return;
                    earlier_title = trim(title->substr(0, title->find(L"--")));
                } else if (counted == 3 || counted == 4) {
                    // The key without its trailing space: a header naming no folder loses that space to the
                    // trimming of the line, and must not make the whole file unreadable.
                    const auto folder = after(header, counted == 3 ? L"Install Path :" : L"Shortcut Path :");
                    if (!folder)
                        return;
                    const std::wstring candidate = trim(*folder);
                    if (is_directory(candidate))
                        (counted == 3 ? install_folder : start_menu_folder) = candidate;
                }
            } else {
                if (version != 1)
                    return;
                const auto record = parse_record(line);
                if (!record)
                    return;
                earlier_records.push_back(*record);
            }
            ++counted;
        }
        if (!in.eof())
            return;
        has_desktop_shortcut = std::any_of(earlier_records.begin(), earlier_records.end(), [](const log_record& r) {
            return r.kind == record_kind::desktop_shortcut;
        });
    } catch (const std::exception&) {
        // A read failure ends the read as a malformed file does: what was read stays.
    }
}

void uninstall_log::merge_earlier_records()
{
    for (auto earlier = earlier_records.rbegin(); earlier != earlier_records.rend(); ++earlier) {
        const bool by_path = earlier->kind == record_kind::created_folder || earlier->kind == record_kind::installed_file;
        const bool superseded = std::any_of(records.begin(), records.end(), [&](const log_record& current) {
            return current.kind == earlier->kind && (!by_path || same_path(current.path, earlier->path));
        });
        if (!superseded)
            records.push_front(*earlier);
    }
    earlier_records.clear();
}

void uninstall_log::write(const std::wstring& path, const std::wstring& install_folder,
                          const std::wstring& start_menu_folder) const
{
    mv::txtf::wofstream out(path);
    out.exceptions(std::ios::failbit | std::ios::badbit);
    out << L"// Uninstall Log File v1\n"
        << L"// ############ WARNING: Do not delete or modify this file. ############\n"
        << L"// Install " << product_title(false);
    if (!earlier_title.empty())
        out << L" -- Update (" << earlier_title << L")";
    out << L"\n// Install Path : " << install_folder << L"\n"
        << L"// Shortcut Path : " << start_menu_folder << L"\n"
        << L"// " << std::wstring(100, L'-') << L"\n";

    std::size_t position = 0;
    for (const log_record& record : records) {
        const unsigned packed = static_cast<unsigned>(record.kind) * 256 + (static_cast<unsigned>(record.tag) & 0xFF);
        wchar_t fields[48];
        std::swprintf(fields, 48, L"%04llu:%04x:%d", static_cast<unsigned long long>(position++), packed,
                      record.done ? 1 : 0);
        out << fields << L" -- " << record_text(record) << L"\n";
    }
    out.close();
}

bool uninstall_log::save(const std::wstring& path, const std::wstring& install_folder,
                         const std::wstring& start_menu_folder)
{
    merge_earlier_records();
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    bool written = false;
    try {
        write(path, install_folder, start_menu_folder);
        written = ::SetFileAttributesW(path.c_str(), saved_attributes) != 0;
    } catch (const std::exception&) {
    }
    delete_backups();
    return written;
}

void uninstall_log::delete_backups() noexcept
{
    for (log_record& record : records) {
        if (!record.backup_path.empty()) {
            remove_file(record.backup_path);
            record.backup_path.clear();
        }
    }
}

} // namespace installer
