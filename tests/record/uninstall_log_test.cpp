#include "record/uninstall_log.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

using namespace installer;
using test_support::read_bytes;
using test_support::temp_folder;
using test_support::write_bytes;

namespace {

const std::wstring header_rule = L"// " + std::wstring(100, L'-');

// The bytes of a file as the log's format describes it: UTF-16 little-endian, mark first, CR LF line ends.
std::string utf16_file(const std::vector<std::wstring>& lines)
{
    std::string bytes = "\xFF\xFE";
    for (const std::wstring& line : lines) {
        for (wchar_t c : line + L"\r\n") {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>((c >> 8) & 0xFF);
        }
    }
    return bytes;
}

std::string utf8_file(const std::vector<std::string>& lines)
{
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + "\n";
    return bytes;
}

log_record make(record_kind kind, std::wstring path = {}, bool done = true, std::int32_t tag = -1)
{
    return log_record{kind, std::move(path), {}, done, tag};
}

std::vector<std::wstring> lines_of(const std::list<log_record>& records)
{
    std::vector<std::wstring> lines;
    for (const auto& r : records)
        lines.push_back(std::to_wstring(static_cast<int>(r.kind)) + L"/" + std::to_wstring(r.tag) + L"/" +
                        (r.done ? L"1" : L"0") + L"/" + r.path);
    return lines;
}

// A well-formed earlier log of a few records, in UTF-8 with LF line ends.
std::vector<std::string> earlier_log_lines(const std::string& install_path, const std::string& shortcut_path)
{
    return {"// Uninstall Log File v1",
            "// ############ WARNING: Do not delete or modify this file. ############",
            "// Install Tarvolith 7.12c",
            "// Install Path : " + install_path,
            "// Shortcut Path : " + shortcut_path,
            "// " + std::string(100, '-'),
            "0000:00ff:1 -- C:\\Program Files\\Merov & Dudidivi\\Tarvolith 7",
            "0001:0101:1 -- C:\\Program Files\\Merov & Dudidivi\\Tarvolith 7\\Tarvolith.exe",
            "0002:04ff:1 -- C:\\users\\Public\\Desktop\\Tarvolith 7.12c.lnk",
            "0003:07ff:1 -- DirectX Update"};
}

std::string narrow(const std::wstring& ascii)
{
    return std::string(ascii.begin(), ascii.end());
}

} // namespace

TEST(uninstall_log_save, writes_the_exact_format)
{
    temp_folder folder;
    uninstall_log log;
    log.records = {make(record_kind::created_folder, L"C:\\Program Files\\Merov & Dudidivi\\Tarvolith 7"),
                   make(record_kind::installed_file, L"C:\\Program Files\\Merov & Dudidivi\\Tarvolith 7\\Tarvolith.exe",
                        true, 1),
                   make(record_kind::installed_file, L"C:\\ProgramData\\Merov & Dudidivi\\caf\u00E9.dat", false, 3),
                   make(record_kind::desktop_shortcut, L"C:\\users\\Public\\Desktop\\Tarvolith 7.12d.lnk"),
                   make(record_kind::directx_update, L"", true),
                   make(record_kind::uninstall_key, L"", false),
                   make(record_kind::file_associations, L"", true)};
    const std::wstring file = folder / L"Uninstall.ulog";
    ASSERT_TRUE(log.save(file, L"C:\\Program Files\\Merov & Dudidivi\\Tarvolith 7",
                         L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tarvolith 7"));

    EXPECT_EQ(read_bytes(file),
              utf16_file({
                  L"// Uninstall Log File v1",
                  L"// ############ WARNING: Do not delete or modify this file. ############",
                  L"// Install Tarvolith 7.12d",
                  L"// Install Path : C:\\Program Files\\Merov & Dudidivi\\Tarvolith 7",
                  L"// Shortcut Path : C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tarvolith 7",
                  header_rule,
                  L"0000:00ff:1 -- C:\\Program Files\\Merov & Dudidivi\\Tarvolith 7",
                  L"0001:0101:1 -- C:\\Program Files\\Merov & Dudidivi\\Tarvolith 7\\Tarvolith.exe",
                  L"0002:0103:0 -- C:\\ProgramData\\Merov & Dudidivi\\caf\u00E9.dat",
                  L"0003:04ff:1 -- C:\\users\\Public\\Desktop\\Tarvolith 7.12d.lnk",
                  L"0004:07ff:1 -- DirectX Update",
                  L"0005:05ff:0 -- HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                  L"Tarvolith 7",
                  L"0006:06ff:1 -- HKEY_CLASSES_ROOT\\...",
              }));
}

TEST(uninstall_log_save, attributes_and_replacing_a_read_only_file)
{
    temp_folder folder;
    const std::wstring file = folder / L"Uninstall.ulog";
    write_bytes(file, "old");
    ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));

    uninstall_log log;
    ASSERT_TRUE(log.save(file, L"C:\\a", L"C:\\b"));
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE),
              DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE});
    if (!test_support::on_wine()) {
        EXPECT_EQ(attributes, DWORD{0x2021});
    }
    EXPECT_EQ(read_bytes(file).substr(0, 6), std::string("\xFF\xFE/\0/\0", 6));
}

TEST(uninstall_log_save, not_content_indexed_attribute)
{
    if (test_support::on_wine())
        GTEST_SKIP() << "Wine keeps only the read-only, hidden, system and archive attributes of a file";
    temp_folder folder;
    uninstall_log log;
    ASSERT_TRUE(log.save(folder / L"Uninstall.ulog", L"", L""));
    EXPECT_EQ(::GetFileAttributesW((folder / L"Uninstall.ulog").c_str()), DWORD{0x2021});
}

TEST(uninstall_log_save, failure_still_deletes_every_backup)
{
    temp_folder folder;
    for (const bool writable : {false, true}) {
        uninstall_log log;
        for (int i = 0; i < 3; ++i) {
            const std::wstring backup = folder / (L"backup" + std::to_wstring(i) + L".tmp");
            write_bytes(backup, "kept until the log is saved");
            log.records.push_back(make(record_kind::installed_file, L"C:\\x" + std::to_wstring(i)));
            log.records.back().backup_path = backup;
        }
        const std::wstring target = writable ? folder / L"Uninstall.ulog" : folder / L"missing\\Uninstall.ulog";
        EXPECT_EQ(log.save(target, L"", L""), writable);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(::GetFileAttributesW((folder / (L"backup" + std::to_wstring(i) + L".tmp")).c_str()),
                      INVALID_FILE_ATTRIBUTES);
        for (const auto& record : log.records)
            EXPECT_TRUE(record.backup_path.empty());
    }
}

TEST(uninstall_log_save, merges_earlier_records)
{
    temp_folder folder;
    uninstall_log log;
    log.earlier_records = {make(record_kind::created_folder, L"C:\\P\\Tarvolith 7"),
                           make(record_kind::installed_file, L"C:\\P\\Tarvolith 7\\old.dat", true, 3),
                           make(record_kind::installed_file, L"C:\\P\\Tarvolith 7\\Tarvolith.exe", true, 1),
                           make(record_kind::directx_update, L"DirectX Update", true),
                           make(record_kind::desktop_shortcut, L"C:\\D\\first.lnk"),
                           make(record_kind::desktop_shortcut, L"C:\\D\\second.lnk")};
    log.records = {make(record_kind::created_folder, L"C:\\P\\sub\\..\\Tarvolith 7"),
                   make(record_kind::installed_file, L"C:\\P\\Tarvolith 7\\Tarvolith.exe", true, 1)};
    ASSERT_TRUE(log.save(folder / L"Uninstall.ulog", L"", L""));

    EXPECT_TRUE(log.earlier_records.empty());
    // Untouched earlier records first, in their order; of the two desktop shortcuts the later one survives.
    EXPECT_EQ(lines_of(log.records), (std::vector<std::wstring>{
                                         L"1/3/1/C:\\P\\Tarvolith 7\\old.dat",
                                         L"7/-1/1/DirectX Update",
                                         L"4/-1/1/C:\\D\\second.lnk",
                                         L"0/-1/1/C:\\P\\sub\\..\\Tarvolith 7",
                                         L"1/1/1/C:\\P\\Tarvolith 7\\Tarvolith.exe",
                                     }));
}

TEST(uninstall_log_save, directx_record_replaced_only_when_the_step_ran)
{
    temp_folder folder;
    uninstall_log skipped, ran;
    skipped.earlier_records = ran.earlier_records = {make(record_kind::directx_update, L"DirectX Update", true)};
    ran.records = {make(record_kind::directx_update, L"", false)};
    ASSERT_TRUE(skipped.save(folder / L"a.ulog", L"", L""));
    ASSERT_TRUE(ran.save(folder / L"b.ulog", L"", L""));
    EXPECT_EQ(lines_of(skipped.records), std::vector<std::wstring>{L"7/-1/1/DirectX Update"});
    EXPECT_EQ(lines_of(ran.records), std::vector<std::wstring>{L"7/-1/0/"});
}

TEST(uninstall_log_load, reads_header_and_records)
{
    temp_folder folder;
    const std::wstring file = folder / L"earlier.ulog";
    write_bytes(file, utf8_file(earlier_log_lines(narrow(folder.path()), "C:\\no such folder")));

    uninstall_log log;
    log.load(file);
    EXPECT_EQ(log.earlier_title, L"Tarvolith 7.12c");
    EXPECT_EQ(log.install_folder, folder.path());  // exists
    EXPECT_EQ(log.start_menu_folder, L"");         // does not
    EXPECT_TRUE(log.has_desktop_shortcut);
    EXPECT_EQ(lines_of(log.earlier_records),
              (std::vector<std::wstring>{L"0/-1/1/C:\\Program Files\\Merov & Dudidivi\\Tarvolith 7",
                                         L"1/1/1/C:\\Program Files\\Merov & Dudidivi\\Tarvolith 7\\Tarvolith.exe",
                                         L"4/-1/1/C:\\users\\Public\\Desktop\\Tarvolith 7.12c.lnk",
                                         L"7/-1/1/DirectX Update"}));
    for (const auto& record : log.earlier_records)
        EXPECT_TRUE(record.backup_path.empty());
}

TEST(uninstall_log_load, record_fields)
{
    temp_folder folder;
    auto lines = earlier_log_lines("", "");
    lines.resize(6);
    lines.push_back("0005:0101:1 -- C:\\P\\Tarvolith.exe");
    lines.push_back("0009:05ff:0 -- HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\X");
    lines.push_back("0010:06FF:1 --    HKEY_CLASSES_ROOT\\...");
    lines.push_back("0011:03ff:0 --   padded text");
    lines.push_back("0012:0800:1 -- kind eight ends the read");
    lines.push_back("0013:00ff:1 -- never read");
    write_bytes(folder / L"l.ulog", utf8_file(lines));

    uninstall_log log;
    log.load(folder / L"l.ulog");
    EXPECT_EQ(lines_of(log.earlier_records),
              (std::vector<std::wstring>{L"1/1/1/C:\\P\\Tarvolith.exe", L"5/-1/0/", L"6/-1/1/", L"3/-1/0/padded text"}));
    EXPECT_TRUE(log.has_desktop_shortcut);  // a malformed read leaves it as reset
}

TEST(uninstall_log_load, malformed_lines_end_the_read_and_keep_what_came_before)
{
    temp_folder folder;
    const std::vector<std::string> bad_records = {
        "-001:00ff:1 -- negative position", "0001;00ff:1 -- wrong separator", "0001:00ff:2 -- done is 2",
        "0001:00ff:1 - one dash",           "0001:00ff:1",                    "   ",
        "0001:zz:1 -- not hexadecimal",     "0001:-1:1 -- negative kind"};
    for (const std::string& bad : bad_records) {
        auto lines = earlier_log_lines("", "");
        lines.resize(7);
        lines.push_back(bad);
        lines.push_back("0003:04ff:1 -- C:\\never.lnk");
        write_bytes(folder / L"m.ulog", utf8_file(lines));
        uninstall_log log;
        log.load(folder / L"m.ulog");
        EXPECT_EQ(log.earlier_records.size(), 1u) << bad;
        EXPECT_TRUE(log.has_desktop_shortcut) << bad;
    }
}

TEST(uninstall_log_load, header_numbering_and_version)
{
    temp_folder folder;
    // Empty lines do not count: the header still lines up.
    auto lines = earlier_log_lines("", "");
    lines.insert(lines.begin() + 2, "");
    lines.insert(lines.begin(), "");
    lines.push_back("");
    write_bytes(folder / L"e.ulog", utf8_file(lines));
    uninstall_log log;
    log.load(folder / L"e.ulog");
    EXPECT_EQ(log.earlier_title, L"Tarvolith 7.12c");
    EXPECT_EQ(log.earlier_records.size(), 4u);

    // A record before the version line, another version, or a header without its key.
    for (const auto& change : std::vector<std::pair<std::size_t, std::string>>{
             {0, "0000:00ff:1 -- C:\\before the header"},
             {0, "// Uninstall Log File v2"},
             {0, "// Uninstall Log File"},
             {2, "// Instal Tarvolith"},
             {3, "// Install Folder : C:\\"}}) {
        auto variant = earlier_log_lines("", "");
        variant[change.first] = change.second;
        write_bytes(folder / L"v.ulog", utf8_file(variant));
        uninstall_log other;
        other.load(folder / L"v.ulog");
        EXPECT_TRUE(other.earlier_records.empty()) << change.second;
        EXPECT_TRUE(other.has_desktop_shortcut) << change.second;
    }
}

TEST(uninstall_log_load, reset_and_missing_files)
{
    uninstall_log log;
    log.install_folder = L"C:\\x";
    log.start_menu_folder = L"C:\\y";
    log.has_desktop_shortcut = false;
    log.load(L"");
    EXPECT_EQ(log.install_folder, L"");
    EXPECT_EQ(log.start_menu_folder, L"");
    EXPECT_TRUE(log.has_desktop_shortcut);

    log.load(L"C:\\no such folder\\Uninstall.ulog");
    EXPECT_TRUE(log.earlier_records.empty());
    EXPECT_TRUE(log.has_desktop_shortcut);
}

TEST(uninstall_log_load, without_desktop_shortcut)
{
    temp_folder folder;
    auto lines = earlier_log_lines("", "");
    lines.erase(lines.begin() + 8);
    write_bytes(folder / L"n.ulog", utf8_file(lines));
    uninstall_log log;
    log.load(folder / L"n.ulog");
    EXPECT_EQ(log.earlier_records.size(), 3u);
    EXPECT_FALSE(log.has_desktop_shortcut);
}

TEST(uninstall_log_round_trip, utf8_with_lf_reads_like_the_saved_file)
{
    temp_folder folder;
    std::vector<std::string> lines = earlier_log_lines(narrow(folder.path()), narrow(folder.path()));
    lines[6] = "0000:00ff:1 -- C:\\Program Files\\Merov & Dudidivi\\Tarvolith \xC3\xA9t\xC3\xA9";
    write_bytes(folder / L"utf8.ulog", utf8_file(lines));
    uninstall_log from_utf8;
    from_utf8.load(folder / L"utf8.ulog");
    ASSERT_EQ(from_utf8.earlier_records.size(), 4u);
    EXPECT_EQ(from_utf8.earlier_records.front().path, L"C:\\Program Files\\Merov & Dudidivi\\Tarvolith \u00E9t\u00E9");

    // Saved as an update of that installation, then read again.
    uninstall_log saved;
    saved.load(folder / L"utf8.ulog");
    ASSERT_TRUE(saved.save(folder / L"utf16.ulog", folder.path(), folder.path()));
    uninstall_log from_utf16;
    from_utf16.load(folder / L"utf16.ulog");
    EXPECT_EQ(lines_of(from_utf16.earlier_records), lines_of(from_utf8.earlier_records));
    EXPECT_EQ(from_utf16.install_folder, from_utf8.install_folder);
    EXPECT_EQ(from_utf16.start_menu_folder, from_utf8.start_menu_folder);
    EXPECT_EQ(from_utf16.has_desktop_shortcut, from_utf8.has_desktop_shortcut);
    // The update note names the earlier title; reading takes the title before it.
    EXPECT_EQ(from_utf16.earlier_title, L"Tarvolith 7.12d");
    const std::string bytes = read_bytes(folder / L"utf16.ulog");
    EXPECT_NE(bytes.find(utf16_file({L"// Install Tarvolith 7.12d -- Update (Tarvolith 7.12c)"}).substr(2)),
              std::string::npos);
}

TEST(uninstall_log_round_trip, reinstallation_names_the_same_version)
{
    temp_folder folder;
    uninstall_log first;
    ASSERT_TRUE(first.save(folder / L"1.ulog", L"", L""));
    EXPECT_NE(read_bytes(folder / L"1.ulog").find(utf16_file({L"// Install Tarvolith 7.12d"}).substr(2)),
              std::string::npos);

    uninstall_log again;
    again.load(folder / L"1.ulog");
    EXPECT_EQ(again.earlier_title, L"Tarvolith 7.12d");
    ASSERT_TRUE(again.save(folder / L"2.ulog", L"", L""));
    EXPECT_NE(read_bytes(folder / L"2.ulog")
                  .find(utf16_file({L"// Install Tarvolith 7.12d -- Update (Tarvolith 7.12d)"}).substr(2)),
              std::string::npos);
}

TEST(uninstall_log_round_trip, empty_folders_in_the_header)
{
    temp_folder folder;
    uninstall_log log;
    log.records = {make(record_kind::installed_file, L"C:\\f", true, 2)};
    ASSERT_TRUE(log.save(folder / L"e.ulog", L"", L""));
    uninstall_log back;
    back.load(folder / L"e.ulog");
    EXPECT_EQ(lines_of(back.earlier_records), std::vector<std::wstring>{L"1/2/1/C:\\f"});
    EXPECT_FALSE(back.has_desktop_shortcut);
}

TEST(uninstall_log_round_trip, ten_thousand_records)
{
    temp_folder folder;
    uninstall_log log;
    for (int i = 0; i <= 10000; ++i)
        log.records.push_back(make(record_kind::installed_file, L"C:\\f\\" + std::to_wstring(i), i % 2 == 0, i % 5));
    ASSERT_TRUE(log.save(folder / L"big.ulog", L"", L""));
    const std::string bytes = read_bytes(folder / L"big.ulog");
    EXPECT_NE(bytes.find(utf16_file({L"10000:0100:1 -- C:\\f\\10000"}).substr(2)), std::string::npos);

    uninstall_log back;
    back.load(folder / L"big.ulog");
    EXPECT_EQ(lines_of(back.earlier_records), lines_of(log.records));
}

TEST(uninstall_log_round_trip, truncated_files_keep_a_prefix)
{
    temp_folder folder;
    uninstall_log log;
    for (int i = 0; i < 12; ++i)
        log.records.push_back(make(record_kind::installed_file, L"C:\\\u00E9\\" + std::to_wstring(i), true, 1));
    ASSERT_TRUE(log.save(folder / L"full.ulog", L"", L""));
    const std::string bytes = read_bytes(folder / L"full.ulog");
    const std::vector<std::wstring> full = lines_of(log.records);

    for (std::size_t cut = 0; cut <= bytes.size(); cut += 3) {
        write_bytes(folder / L"cut.ulog", bytes.substr(0, cut));
        uninstall_log back;
        back.load(folder / L"cut.ulog");
        const std::vector<std::wstring> read = lines_of(back.earlier_records);
        ASSERT_LE(read.size(), full.size()) << cut;
        // Every record read is the saved one, except that the last may have lost the end of its path.
        for (std::size_t i = 0; i + 1 < read.size(); ++i)
            EXPECT_EQ(read[i], full[i]) << cut;
        if (!read.empty()) {
            EXPECT_EQ(full[read.size() - 1].rfind(read.back(), 0), 0u) << cut;
        }
    }
}
