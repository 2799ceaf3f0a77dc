#include "recording_fixture.hpp"

#include <filesystem>

using namespace installer;
using namespace recording_test;
using test_support::read_bytes;
using test_support::redirected_temp;
using test_support::write_bytes;

using rollback = recording;

TEST_F(rollback, removes_new_folders_innermost_first)
{
    // The test's folder stands for C:\, the only level that exists.
    const std::wstring a = root / L"A", c = a + L"\\B\\C";
    log.add_file(c + L"\\Tarvolith.exe", 1, false);
    write_bytes(c + L"\\Tarvolith.exe", "new program");
    log.commit(true, L"");
    log.add_file(a + L"\\B\\readme.txt", 0, false);
    write_bytes(a + L"\\B\\readme.txt", "new text");
    log.commit(true, L"");
    ASSERT_EQ(log.records.size(), 5u);
    ASSERT_EQ(log.records.front().path, a);

    log.pending = true;
    log.rollback();
    // A folder is removed only once empty: had A gone first, A\B and A\B\C would still be there.
    EXPECT_TRUE(entries(root.path()).empty());
    EXPECT_TRUE(log.records.empty());
    EXPECT_TRUE(log.pending) << "left as it was";
}

TEST_F(rollback, puts_replaced_files_back_and_leaves_no_backup)
{
    const std::wstring program = root / L"Tarvolith.exe", shared = root / L"shared.dat";
    write_bytes(program, "earlier program");
    ASSERT_TRUE(::SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_READONLY));
    write_bytes(shared, "the user's data");

    log.add_file(program, 1, false);
    write_bytes(program, "new program");
    ::SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_READONLY);
    log.commit(true, L"");
    log.add_file(shared, 3, true);
    EXPECT_EQ(read_bytes(shared), "the user's data") << "a shared-data file stays in place";
    log.commit(true, L"");
    ASSERT_EQ(backups().size(), 2u);

    log.rollback();
    EXPECT_EQ(read_bytes(program), "earlier program");
    EXPECT_TRUE(::GetFileAttributesW(program.c_str()) & FILE_ATTRIBUTE_READONLY) << "as it was before";
    EXPECT_EQ(read_bytes(shared), "the user's data");
    EXPECT_TRUE(backups().empty());
}

TEST_F(rollback, puts_back_a_file_that_had_to_be_copied)
{
    // The copy that stands in for a move that failed: the run then writes over the original itself.
    const std::wstring file = root / L"busy.dll";
    write_bytes(file, "earlier library");
    {
        const mv::unique_file holder = lock(file, FILE_SHARE_READ);
        log.add_file(file, 0, false);
    }
    write_bytes(file, "new library");
    log.commit(true, L"");
    log.rollback();
    EXPECT_EQ(read_bytes(file), "earlier library");
    EXPECT_TRUE(backups().empty());
}

TEST_F(rollback, an_existing_file_without_backup_is_never_deleted)
{
    // Its announcement raised, so the extraction failed before writing it; the earlier file was recorded.
    const std::wstring written = root / L"Data\\first.dat", existing = root / L"Tarvolith.exe";
    write_bytes(existing, "earlier program");
    log.add_file(written, 0, false);
    write_bytes(written, "new data");
    log.commit(true, L"");
    {
        const redirected_temp missing(root / L"missing");
        EXPECT_THROW(log.add_file(existing, 1, false), std::filesystem::filesystem_error);
    }
    log.commit(false, L"");  // the failure report of the extraction
    log.rollback();
    EXPECT_FALSE(exists(root / L"Data"));
    EXPECT_EQ(read_bytes(existing), "earlier program");

    // A record of something that was there, with nothing to put back: whatever happened, it stays.
    const std::wstring shared = root / L"shared.dat";
    write_bytes(shared, "the user's data");
    log_record kept(record_kind::installed_file, shared, {}, true, 3);
    kept.existed_before = true;
    log.records.push_back(kept);
    log.rollback();
    EXPECT_EQ(read_bytes(shared), "the user's data");
}

TEST_F(rollback, brings_back_the_earlier_shortcut)
{
    const std::wstring programs = root / L"Programs", same = programs + L"\\Tarvolith 7.lnk";
    const std::wstring desktop = root / L"Desktop", moved_desktop = root / L"Desktop 2";
    ASSERT_TRUE(std::filesystem::create_directories(programs));
    ASSERT_TRUE(std::filesystem::create_directories(desktop));
    write_bytes(same, "earlier start-menu shortcut");
    write_bytes(desktop + L"\\Tarvolith 7.lnk", "earlier desktop shortcut");
    log.earlier_records = {log_record(record_kind::start_menu_shortcut, same, {}, true, -1),
                           log_record(record_kind::desktop_shortcut, desktop + L"\\Tarvolith 7.lnk", {}, true, -1)};

    // The new Start-menu shortcut takes the earlier one's place; the new desktop one goes elsewhere.
    log.add_shortcut(false, programs);
    write_bytes(same, "new start-menu shortcut");
    log.commit(true, same);
    log.add_shortcut(true, moved_desktop);
    write_bytes(moved_desktop + L"\\Tarvolith 7.lnk", "new desktop shortcut");
    log.commit(true, moved_desktop + L"\\Tarvolith 7.lnk");

    log.rollback();
    EXPECT_EQ(read_bytes(same), "earlier start-menu shortcut");
    EXPECT_EQ(read_bytes(desktop + L"\\Tarvolith 7.lnk"), "earlier desktop shortcut")
        << "back where it was, not where the new one was";
    EXPECT_FALSE(exists(moved_desktop));
    EXPECT_TRUE(backups().empty());
}

TEST_F(rollback, brings_back_the_earlier_shortcut_when_the_new_one_failed)
{
    const std::wstring earlier = root / L"Tarvolith 7.lnk";
    write_bytes(earlier, "earlier shortcut");
    log.earlier_records = {log_record(record_kind::start_menu_shortcut, earlier, {}, true, -1)};
    log.add_shortcut(false, root.path());
    log.commit(false, L"");  // the shortcut could not be created: the record has no path
    log.rollback();
    EXPECT_EQ(read_bytes(earlier), "earlier shortcut");
    EXPECT_TRUE(backups().empty());
}

TEST_F(rollback, deletes_an_uninstall_key_that_the_run_created)
{
    log.add_uninstall_key();
    {
        const mv::registry_key key = create_product_key();
        mv::set_string(key, L"DisplayName", L"Tarvolith 7.12d");
        mv::set_string(mv::create_key(key, L"Details"), L"Deep", L"below");
    }
    log.commit(true, L"");
    log.rollback();
    EXPECT_FALSE(open_product_key()) << "deleted with everything below it";
    EXPECT_TRUE(mv::open_key(HKEY_CURRENT_USER, log.uninstall_key_location.parent)) << "the parent stays";
}

TEST_F(rollback, restores_an_earlier_uninstall_key)
{
    {
        const mv::registry_key key = create_product_key();
        mv::set_string(key, L"DisplayName", L"Tarvolith 7.12c");
        mv::set_string(mv::create_key(key, L"Details"), L"Deep", L"earlier");
    }
    log.add_uninstall_key(open_product_key());
    ASSERT_FALSE(log.records.back().backup_path.empty());
    {
        const mv::registry_key key = open_product_key();
        mv::set_string(key, L"DisplayName", L"Tarvolith 7.12d");
        mv::set_string(key, L"UninstallString", L"C:\\new\\Uninstall.exe");
        ::RegDeleteTreeW(key.get(), L"Details");
    }
    log.commit(true, L"");
    log.rollback();

    const mv::registry_key key = open_product_key();
    ASSERT_TRUE(key) << "an earlier key is restored, never deleted";
    EXPECT_TRUE(backups().empty()) << "the hive file is of no use afterwards";
    if (test_support::on_wine())
        GTEST_SKIP() << "Wine's RegRestoreKeyW reports success and restores nothing";
    std::wstring text;
    EXPECT_TRUE(mv::get_string(key, L"DisplayName", text));
    EXPECT_EQ(text, L"Tarvolith 7.12c");
    EXPECT_FALSE(mv::get_string(key, L"UninstallString", text));
    EXPECT_TRUE(mv::get_string(mv::open_key(key, L"Details"), L"Deep", text));
    EXPECT_EQ(text, L"earlier");
}

TEST_F(rollback, keeps_an_earlier_uninstall_key_that_could_not_be_saved)
{
    mv::set_string(create_product_key(), L"DisplayName", L"Tarvolith 7.12c");
    {
        const redirected_temp missing(root / L"missing");
        log.add_uninstall_key(open_product_key());
    }
    log.commit(true, L"");
    log.rollback();
    std::wstring text;
    EXPECT_TRUE(mv::get_string(open_product_key(), L"DisplayName", text));
    EXPECT_EQ(text, L"Tarvolith 7.12c");
}

TEST_F(rollback, goes_on_past_records_it_cannot_undo)
{
    const std::wstring first = root / L"A\\first.dat", locked = root / L"B\\locked.dat", last = root / L"C\\last.dat";
    const std::wstring replaced = root / L"C\\replaced.dat";
    ASSERT_TRUE(std::filesystem::create_directories(root / L"C"));
    write_bytes(replaced, "earlier");
    for (const std::wstring& file : {first, locked, replaced, last}) {
        log.add_file(file, 0, false);
        write_bytes(file, "new");
        log.commit(true, L"");
    }
    log.create_folders(root / L"D");
    write_bytes(root / L"D\\foreign.txt", "not ours");
    // Records that fail in ways no file can: a key that cannot even be looked for, an unusable path.
    log.uninstall_key_location.root = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x1234));
    log.add_uninstall_key();
    log.add_file(L"", 0, false);
    log.records.emplace_back(record_kind::installed_file, L"\\\\?\\C:\\bad<name>", L"", true, 0);

    {
        const mv::unique_file holder = lock(locked);
        log.rollback();
    }
    EXPECT_TRUE(log.records.empty());
    EXPECT_FALSE(exists(first));
    EXPECT_FALSE(exists(root / L"A"));
    EXPECT_FALSE(exists(last));
    EXPECT_EQ(read_bytes(replaced), "earlier");
    EXPECT_EQ(read_bytes(locked), "new") << "in use: left as it is";
    EXPECT_TRUE(is_folder(root / L"B")) << "it still holds the locked file";
    EXPECT_EQ(read_bytes(root / L"D\\foreign.txt"), "not ours");
    EXPECT_TRUE(backups().empty());
}

TEST_F(rollback, keeps_the_backup_of_a_file_it_cannot_replace)
{
    const std::wstring file = root / L"Tarvolith.exe";
    write_bytes(file, "earlier program");
    log.add_file(file, 1, false);
    write_bytes(file, "new program");
    log.commit(true, L"");
    const std::wstring backup = log.records.back().backup_path;
    {
        const mv::unique_file holder = lock(file);
        log.rollback();
    }
    EXPECT_EQ(read_bytes(file), "new program");
    EXPECT_EQ(read_bytes(backup), "earlier program") << "the earlier content is not thrown away";
}

TEST_F(rollback, of_nothing_does_nothing)
{
    write_bytes(root / L"file", "bytes");
    log.earlier_records = {log_record(record_kind::installed_file, root / L"file", {}, true, 0)};
    log.rollback();
    EXPECT_TRUE(log.records.empty());
    EXPECT_FALSE(log.pending);
    EXPECT_EQ(read_bytes(root / L"file"), "bytes");
    EXPECT_EQ(log.earlier_records.size(), 1u);
}

using save_after_recording = recording;

TEST_F(save_after_recording, leaves_no_backup)
{
    const std::wstring program = root / L"Tarvolith.exe";
    write_bytes(program, "earlier program");
    // An earlier installation made its programs read-only; the backup keeps that attribute.
    ASSERT_TRUE(::SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_READONLY));
    log.add_file(program, 1, false);
    write_bytes(program, "new program");
    log.commit(true, L"");
    mv::set_string(create_product_key(), L"DisplayName", L"Tarvolith 7.12c");
    log.add_uninstall_key(open_product_key());
    log.commit(true, L"");
    ASSERT_EQ(backups().size(), 2u);

    EXPECT_TRUE(log.save(root / L"Uninstall.ulog", root.path(), L""));
    EXPECT_TRUE(backups().empty());
    EXPECT_EQ(read_bytes(program), "new program");
}
