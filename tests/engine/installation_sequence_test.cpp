// The whole installation on the progress page inside a test window: its log line by line, the machine
// afterwards, and the rollback of a failed extraction.

#include "engine/installation_sequence.hpp"
#include "engine/compress_error.hpp"
#include "engine/destination.hpp"
#include "engine/installation_fixture.hpp"
#include "engine/payload_fixture.hpp"
#include "record/uninstall_key_location.hpp"
#include "startup/install_context.hpp"
#include "startup/languages.hpp"
#include "startup/product.hpp"
#include "startup/strings.hpp"
#include "startup/text_format.hpp"
#include "support/test_support.hpp"
#include "system/registry_key.hpp"
#include "wizard/window_text.hpp"

#include "resources/dialog_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <future>
#include <set>
#include <sstream>
#include <vector>

using namespace test_support;
using installer::install_context;

namespace {

const std::wstring separator(45, L'\u2500');

class installation : public engine_test::installation_page {
protected:
    void SetUp() override
    {
        installation_page::SetUp();
        // A fresh prefix has no Uninstall key; the product's own key is the test's.
        const auto location = installer::product_uninstall_key();
        uninstall_parent = mv::create_key(location.root, location.parent);
        remove_product_key();
    }
    void TearDown() override { remove_product_key(); }

    void remove_product_key() { ::RegDeleteTreeW(uninstall_parent.get(), installer::product_uninstall_key().name.c_str()); }

    std::wstring status() const { return installer::window_text(item(IDC_STATUS)); }
    std::wstring copying(const std::wstring& name, const wchar_t* result) const
    {
        return copying_file(installed(name), result);
    }
    static std::wstring copying_file(const std::wstring& path, const wchar_t* result)
    {
        return L"Copying File \"" + path + L"\"..." + result;
    }

    mv::registry_key uninstall_parent;
    scoped_variable report{L"PRODUCT_DOUBLE_REPORT", folder / L"product_run.txt"};
};

TEST_F(installation, first_installation_logs_every_step_and_leaves_everything_in_place)
{
    counting_window window(WM_APP + 7);
    for (int i = 0; i < 5; ++i)
        ::PostMessageW(window.get(), WM_APP + 7, 0, 0);

    ASSERT_TRUE(install(engine_test::packed_payload("installation")));
    // Handled while the installation ran, not after it.
    EXPECT_EQ(window.count(), 5);

    const std::vector<std::wstring> expected = {
        separator,
        L"Preparing Installation...OK",
        copying(L"product_double.exe", L"OK"),
        copying(L"alpha.txt", L"OK"),
        copying(L"Lang\\gamma.txt", L"OK"),
        copying(L"Data\\Shared\\beta.bin", L"OK"),
        copying(L"Lang\\empty.txt", L"OK"),
        L"Shortcuts Creation...OK",
        L"Registry Data Writing...OK",
        L"Installation Data Writing...OK",
    };
    EXPECT_EQ(log(), expected);
    EXPECT_EQ(status(), L"Click on 'Next' to continue.");
    EXPECT_EQ(::SendMessageW(item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 100);

    for (const wchar_t* name : {L"product_double.exe", L"alpha.txt", L"Lang\\gamma.txt", L"Data\\Shared\\beta.bin",
                                L"Lang\\empty.txt", L"Uninstall.ulog"})
        EXPECT_TRUE(exists(installed(name))) << utf8(name);
    // The programs are read-only, as the uninstaller expects them.
    EXPECT_TRUE(::GetFileAttributesW(installed(L"product_double.exe").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(exists(folder / L"Menu\\Tarvolith 7.12d.lnk"));
    EXPECT_TRUE(mv::open_key(uninstall_parent, installer::product_uninstall_key().name));
    const std::string run = read_bytes(folder / L"product_run.txt");
    EXPECT_NE(run.find("/Register /Background"), std::string::npos) << run;
    // The working folder is gone with the run.
    EXPECT_FALSE(exists(install_context::instance().temp_folder));
}

TEST_F(installation, a_checksum_mismatch_rolls_everything_back_and_a_second_attempt_succeeds)
{
    // An earlier file of a path that the payload replaces.
    std::filesystem::create_directories(installed(L"Lang"));
    write_bytes(installed(L"Lang\\gamma.txt"), "the user's own bytes");

    std::string archive = engine_test::decompress(engine_test::packed_payload("installation"));
    const std::size_t crc_at = engine_test::entry_crc_offset(archive, 3);
    engine_test::put_le(archive, crc_at, 4, engine_test::get_le(archive, crc_at, 4) ^ 1);
    EXPECT_FALSE(install(engine_test::compress(archive)));

    const std::vector<std::wstring> expected = {
        separator,
        L"Preparing Installation...OK",
        copying(L"product_double.exe", L"OK"),
        copying(L"alpha.txt", L"OK"),
        copying(L"Lang\\gamma.txt", L"OK"),
        copying(L"Data\\Shared\\beta.bin", L"Failed"),
    };
    EXPECT_EQ(log(), expected);
    EXPECT_EQ(status(), L"Installation failed (Error Code 3).");
    EXPECT_FALSE(exists(installed(L"product_double.exe")));
    EXPECT_FALSE(exists(installed(L"alpha.txt")));
    EXPECT_FALSE(exists(installed(L"Data")));
    EXPECT_EQ(read_bytes(installed(L"Lang\\gamma.txt")), "the user's own bytes");
    EXPECT_FALSE(exists(folder / L"Menu"));
    const std::wstring first_working_folder = install_context::instance().temp_folder;
    EXPECT_FALSE(exists(first_working_folder));

    ASSERT_TRUE(install(engine_test::packed_payload("installation")));
    const auto lines = log();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), separator), 2);
    EXPECT_EQ(lines.back(), L"Installation Data Writing...OK");
    EXPECT_NE(install_context::instance().temp_folder, first_working_folder);
}

TEST_F(installation, a_damaged_payload_fails_before_any_file)
{
    EXPECT_FALSE(install("BZh91AY&SY this is not a payload"));
    const std::vector<std::wstring> expected = {separator, L"Preparing Installation...Failed"};
    EXPECT_EQ(log(), expected);
    EXPECT_EQ(status(), L"Installation failed (Error Code 4).");
    EXPECT_FALSE(exists(install_context::instance().install_folder));
}

TEST_F(installation, without_a_working_folder_nothing_starts)
{
    const std::wstring file = folder / L"not a folder";
    write_bytes(file, "x");
    redirected_temp temp(file);
    EXPECT_FALSE(install(engine_test::packed_payload("installation")));

    const std::wstring sentence = L"Installation failed (Error Code 00000014 (temp_directory_path)).";
    const std::vector<std::wstring> expected = {separator, sentence};
    EXPECT_EQ(log(), expected);
    EXPECT_EQ(status(), sentence);
    EXPECT_FALSE(::IsWindowVisible(item(IDC_PROGRESS)));
    EXPECT_FALSE(exists(install_context::instance().install_folder));
}

TEST_F(installation, shared_data_that_users_may_have_changed_is_never_overwritten)
{
    // First installation: a file already there stays, and becomes the installation's.
    std::filesystem::create_directories(installed(L"Data\\Shared"));
    write_bytes(installed(L"Data\\Shared\\beta.bin"), "changed by the user");
    ASSERT_TRUE(install(engine_test::packed_payload("installation")));
    EXPECT_EQ(read_bytes(installed(L"Data\\Shared\\beta.bin")), "changed by the user");
    const auto lines = log();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), copying(L"Data\\Shared\\beta.bin", L"OK")), 0);
    EXPECT_EQ(lines.size(), 9u);

    installer::uninstall_log saved;
    saved.load(installed(L"Uninstall.ulog"));
    const auto& records = saved.earlier_records;
    EXPECT_TRUE(std::any_of(records.begin(), records.end(), [&](const installer::log_record& r) {
        return r.path == installed(L"Data\\Shared\\beta.bin") && r.done;
    }));
}

TEST_F(installation, an_update_does_not_bring_back_shared_data_the_user_deleted)
{
    auto& context = install_context::instance();
    context.earlier_installation = installer::earlier_state::older_version;
    context.previous_version = 0x0007000C00030000;
    context.uninstall_log.earlier_records.push_back(
        installer::log_record(installer::record_kind::installed_file, installed(L"Data\\Shared\\beta.bin"), L"", true, 3));
    context.uninstall_log.earlier_records.push_back(
        installer::log_record(installer::record_kind::installed_file, installed(L"Old.dat"), L"", true, 0));

    ASSERT_TRUE(install(engine_test::packed_payload("installation")));
    EXPECT_FALSE(exists(installed(L"Data\\Shared\\beta.bin")));
    const auto lines = log();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), copying(L"Data\\Shared\\beta.bin", L"OK")), 0);
    EXPECT_EQ(lines.back(), L"Installation Data Writing...OK");
    const std::string run = read_bytes(folder / L"product_run.txt");
    EXPECT_NE(run.find("/update=0007000c00030000"), std::string::npos) << run;

    // The earlier records that nothing replaced are carried over.
    installer::uninstall_log saved;
    saved.load(installed(L"Uninstall.ulog"));
    const auto& records = saved.earlier_records;
    EXPECT_TRUE(std::any_of(records.begin(), records.end(),
                            [&](const installer::log_record& r) { return r.path == installed(L"Old.dat"); }));
}

TEST_F(installation, the_log_is_in_the_current_language)
{
    installer::set_language(installer::language_french);
    ASSERT_TRUE(install(engine_test::packed_payload("installation")));
    const auto lines = log();
    ASSERT_GE(lines.size(), 2u);
    const std::wstring preparing = installer::load_string(1114) + installer::load_string(1011);
    EXPECT_NE(preparing, L"Preparing Installation...OK");
    EXPECT_EQ(lines[1], preparing);
    EXPECT_EQ(status(), installer::format_text(installer::load_string(1106), installer::load_string(1006)));
    EXPECT_NE(status(), L"Click on 'Next' to continue.");
}

// The folder of the samples on the all-users desktop, where the relative sample folder puts them; removed
// afterwards, unless it was there before (then it is not the test's, and the tests using it skip).
struct desktop_samples {
    desktop_samples()
        : folder(installer::shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY, true) + L"\\" +
                 installer::format_text(installer::load_string(1018), installer::product_title(true))),
          existed_before(exists(folder))
    {
    }
    ~desktop_samples()
    {
        std::error_code ignored;
        if (!existed_before)
            std::filesystem::remove_all(folder, ignored);
    }
    desktop_samples(const desktop_samples&) = delete;
    desktop_samples& operator=(const desktop_samples&) = delete;

    const std::wstring folder;
    const bool existed_before;
};

// The text of a log file that the installer saved (UTF-16LE with its byte-order mark).
std::wstring saved_text(const std::wstring& path)
{
    const std::string bytes = read_bytes(path);
    std::wstring text;
    for (std::size_t at = 2; at + 1 < bytes.size(); at += 2)
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[at]) |
                                            static_cast<unsigned char>(bytes[at + 1]) << 8));
    return text;
}

// Whether `path` lies inside `folder` (as a log names them: the same spelling).
bool inside(const std::wstring& path, const std::wstring& folder)
{
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == L'\\';
}

// A payload with a sample, two shared data files and the DirectX set-up, installed first as the earlier
// installation that the next run finds through its log.
class installation_with_samples : public installation {
protected:
    void SetUp() override
    {
        installation::SetUp();
        if (samples.existed_before)
            GTEST_SKIP() << "the all-users desktop holds a samples folder that is not the test's";
    }

    static std::string payload() { return engine_test::packed_payload("update"); }

    // The next run as the installer's start prepares it: the earlier installation's state and its log.
    void over_earlier(installer::earlier_state state, std::uint64_t previous_version)
    {
        auto& context = install_context::instance();
        context.earlier_installation = state;
        context.previous_version = previous_version;
        context.uninstall_log = installer::uninstall_log{};
        context.uninstall_log.load(installed(L"Uninstall.ulog"));
        ASSERT_FALSE(context.uninstall_log.earlier_records.empty());
        ::SetDlgItemTextW(page, IDC_LOG, L"");
        ::SetEnvironmentVariableW(L"DSETUP_DOUBLE_SEEN", nullptr);
    }

    // The log of a successful run that writes `written` (full paths, in archive order).
    static std::vector<std::wstring> log_writing(const std::vector<std::wstring>& written, bool updating_directx)
    {
        std::vector<std::wstring> lines{separator, L"Preparing Installation...OK"};
        for (const std::wstring& path : written)
            lines.push_back(copying_file(path, L"OK"));
        lines.push_back(L"Shortcuts Creation...OK");
        if (updating_directx)
            lines.push_back(L"Updating DirectX...OK");
        lines.push_back(L"Registry Data Writing...OK");
        lines.push_back(L"Installation Data Writing...OK");
        return lines;
    }

    std::wstring sample() const { return samples.folder + L"\\gamma.txt"; }
    static std::wstring directx_library() { return install_context::instance().temp_folder + L"\\DSETUP.dll"; }
    static bool directx_ran() { return ::GetEnvironmentVariableW(L"DSETUP_DOUBLE_SEEN", nullptr, 0) > 0; }
    // Backups and working folders go to the temporary folder, which is the test's.
    bool nothing_left_in_temporary() const { return std::filesystem::is_empty(temporary.path()); }

    desktop_samples samples;
    scoped_variable directx_seen{L"DSETUP_DOUBLE_SEEN", nullptr};
    temp_folder temporary;
    redirected_temp redirect{temporary.path()};
};

TEST_F(installation_with_samples, a_first_installation_puts_the_samples_on_the_all_users_desktop)
{
    ASSERT_TRUE(install(payload()));
    EXPECT_EQ(log(), log_writing({installed(L"product_double.exe"), installed(L"alpha.txt"),
                                  installed(L"Data\\Shared\\beta.bin"), installed(L"Data\\Shared\\check.txt"), sample(),
                                  installed(L"Lang\\empty.txt"), directx_library()},
                                 true));
    ASSERT_TRUE(exists(sample()));
    EXPECT_EQ(std::filesystem::file_size(sample()), 5123u);
    EXPECT_TRUE(directx_ran());

    // The uninstaller finds the sample and the folder made for it, the folder first.
    installer::uninstall_log saved;
    saved.load(installed(L"Uninstall.ulog"));
    const auto& records = saved.earlier_records;
    const auto named = [&](installer::record_kind kind, const std::wstring& path) {
        return std::find_if(records.begin(), records.end(),
                            [&](const installer::log_record& r) { return r.kind == kind && r.path == path; });
    };
    const auto folder_record = named(installer::record_kind::created_folder, samples.folder);
    const auto sample_record = named(installer::record_kind::installed_file, sample());
    ASSERT_NE(folder_record, records.end());
    ASSERT_NE(sample_record, records.end());
    EXPECT_EQ(sample_record->tag, 4);
    EXPECT_TRUE(sample_record->done);
    EXPECT_LT(std::distance(records.begin(), folder_record), std::distance(records.begin(), sample_record));
    EXPECT_TRUE(nothing_left_in_temporary());
}

TEST_F(installation_with_samples, an_update_writes_no_samples_and_no_lines_for_the_earlier_shared_data)
{
    ASSERT_TRUE(install(payload()));
    // Since then the user removed the samples and changed a shared file.
    std::filesystem::remove_all(samples.folder);
    write_bytes(installed(L"Data\\Shared\\beta.bin"), "changed by the user");
    ASSERT_NO_FATAL_FAILURE(over_earlier(installer::earlier_state::older_version, 0x0007000C00030000));

    ASSERT_TRUE(install(payload()));
    EXPECT_EQ(log(), log_writing({installed(L"product_double.exe"), installed(L"alpha.txt"),
                                  installed(L"Lang\\empty.txt"), directx_library()},
                                 false));
    EXPECT_FALSE(exists(samples.folder));
    EXPECT_EQ(read_bytes(installed(L"Data\\Shared\\beta.bin")), "changed by the user");
    EXPECT_TRUE(exists(installed(L"Data\\Shared\\check.txt")));
    // The earlier installation brought DirectX up to date already.
    EXPECT_FALSE(directx_ran());
    EXPECT_TRUE(nothing_left_in_temporary());
}

TEST_F(installation_with_samples, a_reinstallation_rewrites_the_payload_and_the_samples_but_not_the_shared_data)
{
    ASSERT_TRUE(install(payload()));
    const std::string uninstaller = read_bytes(installed(L"alpha.txt"));
    // Since then: a damaged program file, a changed sample, a changed and a deleted shared file.
    ::SetFileAttributesW(installed(L"alpha.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    write_bytes(installed(L"alpha.txt"), "damaged");
    write_bytes(sample(), "the user's sample");
    write_bytes(installed(L"Data\\Shared\\beta.bin"), "changed by the user");
    ASSERT_TRUE(::DeleteFileW(installed(L"Data\\Shared\\check.txt").c_str()));
    ASSERT_NO_FATAL_FAILURE(over_earlier(installer::earlier_state::same_version, 0));

    ASSERT_TRUE(install(payload()));
    EXPECT_EQ(log(), log_writing({installed(L"product_double.exe"), installed(L"alpha.txt"), sample(),
                                  installed(L"Lang\\empty.txt"), directx_library()},
                                 true));
    EXPECT_EQ(read_bytes(installed(L"alpha.txt")), uninstaller);
    EXPECT_TRUE(::GetFileAttributesW(installed(L"alpha.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(std::filesystem::file_size(sample()), 5123u);
    EXPECT_EQ(read_bytes(installed(L"Data\\Shared\\beta.bin")), "changed by the user");
    EXPECT_FALSE(exists(installed(L"Data\\Shared\\check.txt")));
    // Although the earlier log records a completed DirectX update: a reinstallation repairs.
    EXPECT_TRUE(directx_ran());
    const std::string run = read_bytes(folder / L"product_run.txt");
    EXPECT_NE(run.find("/Register /Background"), std::string::npos) << run;
    EXPECT_EQ(run.find("/update"), std::string::npos) << run;
    // The replaced files were kept until the log was written, and went with it.
    EXPECT_TRUE(nothing_left_in_temporary());
}

TEST_F(installation_with_samples, a_reinstallation_carries_the_earlier_records_over_once)
{
    ASSERT_TRUE(install(payload()));
    installer::uninstall_log first;
    first.load(installed(L"Uninstall.ulog"));
    ASSERT_NO_FATAL_FAILURE(over_earlier(installer::earlier_state::same_version, 0));
    // A file of the earlier version that this payload no longer has.
    install_context::instance().uninstall_log.earlier_records.push_back(
        installer::log_record(installer::record_kind::installed_file, installed(L"Old.dat"), L"", true, 0));

    ASSERT_TRUE(install(payload()));
    installer::uninstall_log saved;
    saved.load(installed(L"Uninstall.ulog"));
    const std::vector<installer::log_record> records(saved.earlier_records.begin(), saved.earlier_records.end());

    // Each folder and file once, each other step once.
    const auto identity = [](const installer::log_record& r) {
        const bool by_path = r.kind == installer::record_kind::created_folder ||
                             r.kind == installer::record_kind::installed_file;
        return std::make_pair(static_cast<int>(r.kind), by_path ? r.path : std::wstring());
    };
    std::set<std::pair<int, std::wstring>> named;
    for (const auto& record : records)
        EXPECT_TRUE(named.insert(identity(record)).second) << "twice: " << utf8(installer::record_text(record));
    // Nothing that the first installation made is forgotten: the folders it created, the shared data that
    // this run left alone.
    for (const auto& record : first.earlier_records)
        EXPECT_EQ(named.count(identity(record)), 1u) << "lost: " << utf8(installer::record_text(record));
    EXPECT_EQ(named.count(identity(installer::log_record(installer::record_kind::installed_file,
                                                          installed(L"Old.dat"), L"", true, 0))),
              1u);
    // Undone from the last record to the first, every folder is empty before it goes.
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].kind != installer::record_kind::created_folder)
            continue;
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_FALSE(inside(records[j].path, records[i].path))
                << utf8(records[j].path) << " comes before its folder " << utf8(records[i].path);
    }
    EXPECT_NE(saved_text(installed(L"Uninstall.ulog")).find(L"// Install Tarvolith 7.12d -- Update (Tarvolith 7.12d)\r\n"),
              std::wstring::npos);
}

TEST_F(installation_with_samples, a_failed_reinstallation_puts_the_earlier_files_back)
{
    ASSERT_TRUE(install(payload()));
    const std::string program = read_bytes(installed(L"product_double.exe"));
    ::SetFileAttributesW(installed(L"alpha.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    write_bytes(installed(L"alpha.txt"), "the earlier uninstaller");
    write_bytes(installed(L"Lang\\empty.txt"), "the earlier language file");
    write_bytes(sample(), "the user's sample");
    const std::string earlier_log = read_bytes(installed(L"Uninstall.ulog"));
    ASSERT_NO_FATAL_FAILURE(over_earlier(installer::earlier_state::same_version, 0));

    // The last entry, the DirectX set-up, fails its check after every installed file was replaced.
    std::string archive = engine_test::decompress(payload());
    const std::size_t crc_at = engine_test::entry_crc_offset(archive, 6);
    engine_test::put_le(archive, crc_at, 4, engine_test::get_le(archive, crc_at, 4) ^ 1);
    EXPECT_FALSE(install(engine_test::compress(archive)));
    ASSERT_FALSE(log().empty());
    EXPECT_EQ(log().back(), copying_file(directx_library(), L"Failed"));

    EXPECT_EQ(read_bytes(installed(L"product_double.exe")), program);
    EXPECT_EQ(read_bytes(installed(L"alpha.txt")), "the earlier uninstaller");
    EXPECT_EQ(read_bytes(installed(L"Lang\\empty.txt")), "the earlier language file");
    EXPECT_EQ(read_bytes(sample()), "the user's sample");
    EXPECT_TRUE(exists(installed(L"Data\\Shared\\beta.bin")));
    EXPECT_EQ(read_bytes(installed(L"Uninstall.ulog")), earlier_log);
    EXPECT_FALSE(directx_ran());
    EXPECT_TRUE(nothing_left_in_temporary());
}

TEST(installation_texts, error_codes_read_by_category)
{
    using installer::error_code_text;
    EXPECT_EQ(error_code_text(std::error_code(5, std::system_category())), L"1:00000005");
    EXPECT_EQ(error_code_text(std::error_code(32, std::system_category())), L"1:00000020");
    EXPECT_EQ(error_code_text(std::error_code(static_cast<int>(0x80070005), std::system_category())), L"1:80070005");
    EXPECT_EQ(error_code_text(std::make_error_code(std::errc::not_a_directory)), L"2:00000014");
    EXPECT_EQ(error_code_text(installer::make_error_code(installer::compress_errc::checksum_mismatch)), L"3");
    EXPECT_EQ(error_code_text(std::make_error_code(std::future_errc::no_state)), L"7");
}

TEST(installation_texts, the_bar_shows_100_only_when_everything_is_there)
{
    using installer::progress_percent;
    EXPECT_EQ(progress_percent(45192879, 45192880), 99);
    EXPECT_EQ(progress_percent(45192880, 45192880), 100);
    EXPECT_EQ(progress_percent(0, 45192880), 0);
    EXPECT_EQ(progress_percent(5, 1000), 1);  // rounded, not cut
    EXPECT_EQ(progress_percent(4, 1000), 0);
    EXPECT_EQ(progress_percent(0, 0), 0);
}

} // namespace
