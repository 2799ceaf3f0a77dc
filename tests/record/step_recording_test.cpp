#include "recording_fixture.hpp"

#include "startup/product.hpp"

#include <filesystem>

using namespace installer;
using namespace recording_test;
using test_support::read_bytes;
using test_support::redirected_temp;
using test_support::write_bytes;

namespace {

std::vector<std::wstring> paths_of(const std::list<log_record>& records)
{
    std::vector<std::wstring> paths;
    for (const log_record& record : records)
        paths.push_back(record.path);
    return paths;
}

} // namespace

using create_folders = recording;

TEST_F(create_folders, records_the_levels_it_creates_outermost_first)
{
    const std::wstring a = root / L"A", b = a + L"\\B", c = b + L"\\C";
    ASSERT_TRUE(log.create_folders(c));
    EXPECT_TRUE(is_folder(c));
    EXPECT_EQ(paths_of(log.records), (std::vector<std::wstring>{a, b, c}));
    for (const log_record& record : log.records) {
        EXPECT_EQ(record.kind, record_kind::created_folder);
        EXPECT_TRUE(record.done);
        EXPECT_EQ(record.tag, -1);
        EXPECT_TRUE(record.backup_path.empty());
    }
    EXPECT_FALSE(log.pending) << "creating folders is no step that awaits a commit";

    // Levels that exist are not recorded again; only the new one below them is.
    ASSERT_TRUE(log.create_folders(c));
    ASSERT_TRUE(log.create_folders(c + L"\\D\\"));
    EXPECT_EQ(paths_of(log.records), (std::vector<std::wstring>{a, b, c, c + L"\\D"}));
}

TEST_F(create_folders, a_file_in_the_way_fails_without_recording)
{
    const std::wstring file = root / L"file";
    write_bytes(file, "not a folder");
    EXPECT_FALSE(log.create_folders(file));
    EXPECT_FALSE(log.create_folders(file + L"\\below"));
    EXPECT_TRUE(log.records.empty());
    EXPECT_EQ(read_bytes(file), "not a folder");
}

using add_file = recording;

TEST_F(add_file, a_new_file_in_new_folders)
{
    const std::wstring folder = root / L"Tarvolith 7", file = folder + L"\\Data\\main.dat";
    log.add_file(file, 0, false);
    EXPECT_TRUE(is_folder(folder + L"\\Data"));
    EXPECT_EQ(paths_of(log.records), (std::vector<std::wstring>{folder, folder + L"\\Data", file}));
    const log_record& record = log.records.back();
    EXPECT_EQ(record.kind, record_kind::installed_file);
    EXPECT_FALSE(record.done);
    EXPECT_EQ(record.tag, 0);
    EXPECT_TRUE(record.backup_path.empty());
    EXPECT_FALSE(record.existed_before);
    EXPECT_TRUE(log.pending);
    EXPECT_TRUE(backups().empty());
}

TEST_F(add_file, an_existing_file_is_moved_aside_and_shared_data_copied)
{
    const std::wstring program = root / L"Tarvolith.exe", shared = root / L"shared.dat";
    write_bytes(program, "earlier program");
    write_bytes(shared, "the user's data");

    log.add_file(program, 1, false);
    EXPECT_FALSE(exists(program)) << "moved, so the new file is written in its place";
    const log_record moved = log.records.back();
    EXPECT_EQ(std::filesystem::path(moved.backup_path).parent_path(), std::filesystem::path(temporary()));
    EXPECT_EQ(read_bytes(moved.backup_path), "earlier program");
    EXPECT_EQ(moved.backup_origin, program);
    EXPECT_TRUE(moved.existed_before);

    log.add_file(shared, 3, true);
    EXPECT_EQ(read_bytes(shared), "the user's data") << "copied: it stays in place";
    const log_record copied = log.records.back();
    EXPECT_EQ(read_bytes(copied.backup_path), "the user's data");
    EXPECT_NE(copied.backup_path, moved.backup_path);
    EXPECT_EQ(backups().size(), 2u);
    EXPECT_EQ(log.records.size(), 2u);
}

TEST_F(add_file, a_file_that_cannot_be_moved_is_copied)
{
    // Open with read sharing only: it can be read but not renamed, as a file on another volume cannot be.
    const std::wstring file = root / L"busy.dll";
    write_bytes(file, "in use");
    {
        const mv::unique_file holder = lock(file, FILE_SHARE_READ);
        log.add_file(file, 0, false);
    }
    const log_record& record = log.records.back();
    ASSERT_FALSE(record.backup_path.empty());
    EXPECT_EQ(read_bytes(record.backup_path), "in use");
    EXPECT_EQ(read_bytes(file), "in use");
    EXPECT_TRUE(record.existed_before);
}

TEST_F(add_file, a_file_on_another_volume_is_copied_and_put_back)
{
    // Wine maps Z: to the Unix root; /dev/shm is a file system of its own.
    const std::wstring other_volume = L"Z:\\dev\\shm";
    if (!test_support::on_wine() || !is_folder(other_volume))
        GTEST_SKIP() << "no folder on another volume than the temporary folder is known here";
    const std::wstring file = other_volume + L"\\tarvolith_" + std::to_wstring(::GetCurrentProcessId()) + L".dat";
    struct removes_file {
        const std::wstring& path;
        ~removes_file() { ::DeleteFileW(path.c_str()); }
    } const cleanup{file};
    write_bytes(file, "far away");
    ASSERT_FALSE(::MoveFileExW(file.c_str(), (temporary() + L"\\probe").c_str(), 0));
    ASSERT_EQ(::GetLastError(), DWORD{ERROR_NOT_SAME_DEVICE});

    log.add_file(file, 0, false);
    const log_record record = log.records.back();
    ASSERT_FALSE(record.backup_path.empty());
    EXPECT_EQ(read_bytes(record.backup_path), "far away");
    EXPECT_EQ(read_bytes(file), "far away") << "a rename cannot cross volumes; the copy leaves the original";

    write_bytes(file, "new");
    log.commit(true, L"");
    log.rollback();
    EXPECT_EQ(read_bytes(file), "far away") << "put back across the volumes";
    EXPECT_TRUE(backups().empty());
}

TEST_F(add_file, an_existing_file_without_backup_raises_and_stays_untouched)
{
    const std::wstring file = root / L"Tarvolith.exe";
    write_bytes(file, "earlier program");
    log.add_file(root / L"first.dat", 0, false);
    log.commit(true, L"");
    const auto before = paths_of(log.records);

    {
        // No temporary folder to keep it in.
        const redirected_temp missing(root / L"missing");
        EXPECT_THROW(log.add_file(file, 1, false), std::filesystem::filesystem_error);
        EXPECT_THROW(log.add_file(file, 3, true), std::filesystem::filesystem_error);
    }
    {
        // Neither renamed nor read: both the move and the copy fail.
        const mv::unique_file holder = lock(file);
        try {
            log.add_file(file, 1, false);
            ADD_FAILURE() << "no error";
        } catch (const std::filesystem::filesystem_error& error) {
            EXPECT_EQ(error.code().value(), ERROR_SHARING_VIOLATION);
            EXPECT_EQ(error.path1(), std::filesystem::path(file));
        }
    }
    EXPECT_EQ(read_bytes(file), "earlier program");
    EXPECT_EQ(paths_of(log.records), before) << "nothing recorded";
    EXPECT_FALSE(log.pending) << "a later commit must not complete the earlier record";
    EXPECT_TRUE(backups().empty());
}

using add_shortcut = recording;

TEST_F(add_shortcut, records_the_kind_and_moves_the_earlier_shortcut_aside)
{
    const std::wstring programs = root / L"Programs\\Tarvolith 7", desktop = root / L"Desktop";
    ASSERT_TRUE(std::filesystem::create_directories(desktop));
    const std::wstring earlier = desktop + L"\\Tarvolith 7.12c.lnk";
    write_bytes(earlier, "earlier shortcut");
    log.earlier_records = {log_record(record_kind::start_menu_shortcut, root / L"gone\\Tarvolith.lnk", {}, true, -1),
                           log_record(record_kind::desktop_shortcut, earlier, {}, true, -1),
                           log_record(record_kind::desktop_shortcut, root / L"second.lnk", {}, true, -1)};

    log.add_shortcut(false, programs);
    EXPECT_TRUE(is_folder(programs));
    ASSERT_EQ(log.records.size(), 3u) << "two folders, then the shortcut";
    const log_record start_menu = log.records.back();
    EXPECT_EQ(start_menu.kind, record_kind::start_menu_shortcut);
    EXPECT_TRUE(start_menu.path.empty());
    EXPECT_TRUE(start_menu.backup_path.empty()) << "the earlier one no longer exists";
    EXPECT_FALSE(start_menu.done);
    EXPECT_EQ(start_menu.tag, -1);
    log.commit(true, programs + L"\\Tarvolith 7.12d.lnk");

    log.add_shortcut(true, desktop);
    const log_record on_desktop = log.records.back();
    EXPECT_EQ(on_desktop.kind, record_kind::desktop_shortcut);
    EXPECT_FALSE(exists(earlier)) << "the first earlier record of the kind is the one moved aside";
    EXPECT_EQ(read_bytes(on_desktop.backup_path), "earlier shortcut");
    EXPECT_EQ(on_desktop.backup_origin, earlier);
    EXPECT_EQ(log.records.size(), 4u);
}

TEST_F(add_shortcut, an_earlier_shortcut_that_cannot_be_kept_raises)
{
    const std::wstring earlier = root / L"Tarvolith 7.12d.lnk";
    write_bytes(earlier, "earlier shortcut");
    log.earlier_records = {log_record(record_kind::start_menu_shortcut, earlier, {}, true, -1)};
    const mv::unique_file holder = lock(earlier);
    EXPECT_THROW(log.add_shortcut(false, root.path()), std::filesystem::filesystem_error);
    EXPECT_TRUE(log.records.empty());
    EXPECT_FALSE(log.pending);
}

using add_step = recording;

TEST_F(add_step, records_without_path_and_pending)
{
    log.add_directx_update();
    log.add_file_associations();
    log.add_uninstall_key();
    const std::vector<record_kind> kinds{record_kind::directx_update, record_kind::file_associations,
                                         record_kind::uninstall_key};
    ASSERT_EQ(log.records.size(), kinds.size());
    auto record = log.records.begin();
    for (const record_kind kind : kinds) {
        EXPECT_EQ(record->kind, kind);
        EXPECT_TRUE(record->path.empty());
        EXPECT_TRUE(record->backup_path.empty());
        EXPECT_FALSE(record->done);
        EXPECT_EQ(record->tag, -1);
        ++record;
    }
    EXPECT_TRUE(log.pending);
    EXPECT_FALSE(log.records.back().existed_before) << "no key given: this run creates it";
}

TEST_F(add_step, an_existing_uninstall_key_is_saved_to_a_hive_file)
{
    {
        const mv::registry_key key = create_product_key();
        mv::set_string(key, L"DisplayName", L"Tarvolith 7.12c");
        mv::create_key(key, L"Details");
    }
    log.add_uninstall_key(open_product_key());
    const log_record& record = log.records.back();
    EXPECT_TRUE(record.existed_before);
    ASSERT_FALSE(record.backup_path.empty());
    EXPECT_EQ(std::filesystem::path(record.backup_path).parent_path(), std::filesystem::path(temporary()));
    // Windows writes its binary hive format, Wine a text of its own; either holds the key's value.
    const std::string hive = read_bytes(record.backup_path);
    EXPECT_GT(hive.size(), 100u);
    if (test_support::on_wine())
        EXPECT_NE(hive.find("Tarvolith 7.12c"), std::string::npos);
    else
        EXPECT_EQ(hive.substr(0, 4), "regf");
}

TEST_F(add_step, an_uninstall_key_that_cannot_be_saved_is_still_marked_as_earlier)
{
    create_product_key();
    {
        const redirected_temp missing(root / L"missing");
        log.add_uninstall_key(open_product_key());
    }
    EXPECT_TRUE(log.records.back().backup_path.empty());
    EXPECT_TRUE(log.records.back().existed_before);
    EXPECT_TRUE(backups().empty());
}

TEST(uninstall_key_location, is_the_products_add_remove_programs_key)
{
    const uninstall_log log;
    EXPECT_EQ(log.uninstall_key_location.root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(log.uninstall_key_location.parent, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    EXPECT_EQ(log.uninstall_key_location.name, product_name(product_code));
}

using commit = recording;

TEST_F(commit, without_an_add_changes_nothing)
{
    log.create_folders(root / L"A");
    log.commit(false, root / L"elsewhere");
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_TRUE(log.records.back().done);
    EXPECT_EQ(log.records.back().path, root / L"A");
    EXPECT_FALSE(log.pending);

    uninstall_log empty;
    empty.commit(true, L"C:\\x");
    EXPECT_TRUE(empty.records.empty());
}

TEST_F(commit, completes_only_the_last_record)
{
    log.add_file(root / L"first.dat", 0, false);
    log.add_shortcut(false, root.path());
    log.commit(true, root / L"Tarvolith 7.12d.lnk");
    EXPECT_FALSE(log.pending);
    ASSERT_EQ(log.records.size(), 2u);
    EXPECT_FALSE(log.records.front().done);
    EXPECT_EQ(log.records.front().path, root / L"first.dat");
    EXPECT_TRUE(log.records.back().done);
    EXPECT_EQ(log.records.back().path, root / L"Tarvolith 7.12d.lnk");

    // A second report has no step left to complete; an empty path keeps the record's own.
    log.commit(false, L"");
    EXPECT_TRUE(log.records.back().done);
    log.add_directx_update();
    log.commit(false, L"");
    EXPECT_FALSE(log.records.back().done);
    EXPECT_TRUE(log.records.back().path.empty());
}

using make_backup = recording;

TEST_F(make_backup, names_moves_and_copies)
{
    const std::wstring name = uninstall_log::make_backup(L"", false);
    EXPECT_EQ(std::filesystem::path(name).parent_path(), std::filesystem::path(temporary()));
    EXPECT_FALSE(exists(name)) << "only a name, for the hive file";

    EXPECT_TRUE(uninstall_log::make_backup(root / L"missing.dat", false).empty());
    EXPECT_TRUE(uninstall_log::make_backup(root / L"missing.dat", true).empty());
    EXPECT_TRUE(backups().empty()) << "a failed copy leaves nothing behind";

    const std::wstring file = root / L"file.dat";
    write_bytes(file, "content");
    const std::wstring copy = uninstall_log::make_backup(file, true);
    const std::wstring moved = uninstall_log::make_backup(file, false);
    EXPECT_NE(copy, moved);
    EXPECT_EQ(read_bytes(copy), "content");
    EXPECT_EQ(read_bytes(moved), "content");
    EXPECT_FALSE(exists(file));
}
