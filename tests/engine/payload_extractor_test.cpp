#include "engine/compress_error.hpp"
#include "engine/payload_extractor.hpp"
#include "engine/payload_fixture.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

using installer::compress_errc;
using installer::notification;
using installer::payload_extractor;
namespace fs = std::filesystem;

struct extraction {
    test_support::temp_folder folder;
    engine_test::recorder record;
    payload_extractor extractor;

    extraction() : extractor(folder.path(), L"", L"", record.callback()) { record.root = folder.path(); }
};

// The data of entry `index` as the archive carries it.
std::string entry_data(const std::string& archive, std::size_t index)
{
    std::uint64_t at = engine_test::get_le(archive, 0, 8);
    for (std::size_t i = 0; i < index; ++i)
        at += engine_test::get_le(archive, engine_test::entry_crc_offset(archive, i) - 8, 8);
    const std::uint64_t size = engine_test::get_le(archive, engine_test::entry_crc_offset(archive, index) - 8, 8);
    return archive.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(size));
}

std::error_code failure_code(const payload_extractor& extractor)
{
    try {
        std::rethrow_exception(extractor.failure());
    } catch (const std::system_error& error) {
        return error.code();
    } catch (...) {
    }
    return {};
}

class block_sizes : public testing::TestWithParam<const char*> {};

TEST_P(block_sizes, one_byte_at_a_time_gives_the_files_and_notifications_of_4096_byte_blocks)
{
    const std::string archive = engine_test::decompress(engine_test::packed_payload(GetParam()));
    extraction blocks;
    extraction bytes;
    extraction odd;
    engine_test::feed(blocks.extractor, archive, 4096);
    engine_test::feed(bytes.extractor, archive, 1);
    engine_test::feed(odd.extractor, archive, 4093);
    ASSERT_TRUE(blocks.extractor.complete());
    ASSERT_TRUE(bytes.extractor.complete());
    ASSERT_TRUE(odd.extractor.complete());

    EXPECT_EQ(bytes.record.collapsed(), blocks.record.collapsed());
    EXPECT_EQ(odd.record.collapsed(), blocks.record.collapsed());
    EXPECT_EQ(bytes.record.lines("progress").size(), archive.size() - engine_test::get_le(archive, 0, 8) + 1)
        << "one progress per byte written, and one after the header";

    const auto& entries = blocks.extractor.entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::wstring relative = entries[i].destination.substr(blocks.folder.path().size());
        const std::string expected = entry_data(archive, i);
        EXPECT_EQ(test_support::read_bytes(blocks.folder.path() + relative), expected);
        EXPECT_EQ(test_support::read_bytes(bytes.folder.path() + relative), expected);
        EXPECT_EQ(test_support::read_bytes(odd.folder.path() + relative), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(payloads, block_sizes, testing::Values("basic", "empty_entries", "check"));

TEST(payload_extractor, notifications_come_in_archive_order)
{
    const std::string archive = engine_test::decompress(engine_test::packed_payload("basic"));
    extraction x;
    engine_test::feed(x.extractor, archive, 4096);
    const std::uint64_t header = engine_test::get_le(archive, 0, 8);
    const std::uint64_t total = archive.size();
    const std::uint64_t alpha_end = header + 6000;
    const std::uint64_t beta_end = alpha_end + 9000;
    const auto progress = [&](std::uint64_t at) { return "progress " + std::to_string(at) + "/" + std::to_string(total); };
    const std::vector<std::string> expected = {
        progress(header),
        "file_started <root>\\alpha.txt", progress(alpha_end), "file_finished <root>\\alpha.txt",
        "file_started <root>\\Data\\Deep\\beta.bin", progress(beta_end), "file_finished <root>\\Data\\Deep\\beta.bin",
        "file_started <root>\\Samples\\gamma.txt", progress(total), "file_finished <root>\\Samples\\gamma.txt",
    };
    EXPECT_EQ(x.record.collapsed(), expected);
    EXPECT_EQ(x.extractor.position(), total);
    EXPECT_EQ(x.extractor.total(), total);
}

TEST(payload_extractor, entries_without_data_make_empty_files_and_are_notified)
{
    const std::string archive = engine_test::decompress(engine_test::packed_payload("empty_entries"));
    extraction x;
    engine_test::feed(x.extractor, archive, 4096);
    ASSERT_TRUE(x.extractor.complete());
    for (const wchar_t* folder : {L"First", L"Middle", L"Last"}) {
        const std::wstring path = x.folder.path() + L"\\" + folder + L"\\empty.txt";
        EXPECT_TRUE(fs::is_regular_file(path));
        EXPECT_EQ(fs::file_size(path), 0u);
    }
    const std::vector<std::string> starts = x.record.lines("file_started");
    const std::vector<std::string> finishes = x.record.lines("file_finished");
    const std::vector<std::string> expected = {"<root>\\First\\empty.txt", "<root>\\alpha.txt",
                                               "<root>\\Middle\\empty.txt", "<root>\\check.txt",
                                               "<root>\\Last\\empty.txt"};
    ASSERT_EQ(starts.size(), expected.size());
    ASSERT_EQ(finishes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(starts[i], "file_started " + expected[i]);
        EXPECT_EQ(finishes[i], "file_finished " + expected[i]);
    }
    // The last empty file is done with the last byte, before any further byte could come.
    EXPECT_EQ(x.record.log.back(), "file_finished <root>\\Last\\empty.txt");
}

TEST(payload_extractor, a_skipped_entry_writes_nothing_and_still_counts)
{
    const std::string archive = engine_test::decompress(engine_test::packed_payload("basic"));
    extraction x;
    x.record.answer = engine_test::answer_file_started(L"beta.bin", notification::result::skip);
    engine_test::feed(x.extractor, archive, 4096);
    EXPECT_TRUE(x.extractor.complete());
    EXPECT_EQ(x.extractor.position(), x.extractor.total());
    EXPECT_FALSE(fs::exists(x.folder / L"Data")) << "not even its folder is made";
    EXPECT_TRUE(fs::exists(x.folder / L"alpha.txt"));
    EXPECT_TRUE(fs::exists(x.folder / L"Samples\\gamma.txt"));
    EXPECT_EQ(x.record.lines("file_finished").size(), 2u);
}

TEST(payload_extractor, a_read_only_file_at_a_destination_is_replaced_by_a_writable_one)
{
    const std::string archive = engine_test::decompress(engine_test::packed_payload("basic"));
    extraction x;
    const std::wstring path = x.folder / L"alpha.txt";
    test_support::write_bytes(path, "an older, longer file that the installation replaces entirely");
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));

    engine_test::feed(x.extractor, archive, 4096);
    ASSERT_TRUE(x.extractor.complete());
    EXPECT_EQ(test_support::read_bytes(path), entry_data(archive, 0));
    EXPECT_EQ(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST(payload_extractor, after_a_failure_every_byte_is_swallowed)
{
    std::string archive = engine_test::decompress(engine_test::packed_payload("check"));
    archive.push_back('!');
    extraction x;
    EXPECT_THROW(engine_test::feed(x.extractor, archive, 4096), std::system_error);
    EXPECT_EQ(failure_code(x.extractor), compress_errc::unexpected);
    const std::size_t notified = x.record.log.size();
    EXPECT_EQ(x.extractor.write("more", 4), 4u);
    EXPECT_EQ(x.record.log.size(), notified);
    EXPECT_FALSE(x.extractor.complete());
}

// Headers that do not describe an archive are refused before their length is buffered.
std::string header_with(std::uint64_t length, std::uint32_t count, std::string rest = {})
{
    std::string bytes(12, '\0');
    engine_test::put_le(bytes, 0, 8, length);
    engine_test::put_le(bytes, 8, 4, count);
    return bytes + rest;
}

void expect_refused(const std::string& archive, std::size_t within, compress_errc expected, const char* what)
{
    SCOPED_TRACE(what);
    extraction x;
    std::size_t fed = 0;
    try {
        while (fed < archive.size())
            fed += static_cast<std::size_t>(x.extractor.write(archive.data() + fed, 1));
        FAIL() << "accepted";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), expected);
    }
    EXPECT_LE(fed, within);
    EXPECT_TRUE(x.record.log.empty());
}

TEST(payload_extractor, refuses_headers_that_do_not_match_their_table)
{
    const std::string archive = engine_test::decompress(engine_test::packed_payload("check"));
    const std::uint64_t header = engine_test::get_le(archive, 0, 8);

    expect_refused(header_with(0, 0), 8, compress_errc::payload_invalid, "length 0");
    expect_refused(header_with(11, 0), 8, compress_errc::payload_invalid, "length below 12");
    expect_refused(header_with(std::uint64_t{1} << 32, 0), 8, compress_errc::payload_invalid, "length of 4 GiB");
    expect_refused(header_with(~std::uint64_t{0}, 0), 8, compress_errc::payload_invalid, "largest length");
    expect_refused(header_with(0xFFFFFFF0u, 0), 12, compress_errc::payload_invalid, "no entry, long header");
    expect_refused(header_with(40, 100), 12, compress_errc::payload_invalid, "more entries than the length holds");
    std::string long_name(4, '\0');
    engine_test::put_le(long_name, 0, 4, 0x7FFFFFFF);
    expect_refused(header_with(0xFFFFFFF0u, 1, long_name + std::string(100, 'x')), 16,
                   compress_errc::payload_invalid, "a source path longer than any path");

    std::string shorter = archive;
    engine_test::put_le(shorter, 0, 8, header - 2);
    expect_refused(shorter, header - 2, compress_errc::payload_invalid, "the table goes past the length");
    std::string longer = archive;
    engine_test::put_le(longer, 0, 8, header + 100);
    expect_refused(longer, header, compress_errc::payload_invalid, "the table ends before the length");
}

TEST(payload_extractor, sizes_that_overflow_are_refused)
{
    std::string archive = engine_test::decompress(engine_test::packed_payload("basic"));
    engine_test::put_le(archive, engine_test::entry_crc_offset(archive, 1) - 8, 8, ~std::uint64_t{0} - 100);
    const std::uint64_t header = engine_test::get_le(archive, 0, 8);
    expect_refused(archive, header, compress_errc::payload_invalid, "sizes beyond 2^64");
}

TEST(payload_extractor, file_names_that_are_not_plain_names_are_refused)
{
    const std::string archive = engine_test::decompress(engine_test::packed_payload("check"));
    const std::uint64_t header = engine_test::get_le(archive, 0, 8);
    // The source "files\check.txt" (15 units): its last units become "..", "a:b" and a name that ends the path.
    for (const std::wstring& tail : {std::wstring(L"files\\..\\.."), std::wstring(L"files\\chec:.txt"),
                                     std::wstring(L"files\\check\\  ")}) {
        std::string changed = archive;
        for (std::size_t i = 0; i < tail.size() && i < 15; ++i)
            engine_test::put_le(changed, 16 + 2 * (15 - tail.size() + i), 2, tail[i]);
        expect_refused(changed, header, compress_errc::payload_invalid, "odd file name");
    }
}

// Random tables are refused or read, but never crash, hang or write outside the answers given (all skipped).
TEST(payload_extractor, random_tables_are_refused_cleanly)
{
    const std::string archive = engine_test::decompress(engine_test::packed_payload("basic"));
    const std::uint64_t header = engine_test::get_le(archive, 0, 8);
    std::mt19937 random(12345);
    for (int round = 0; round < 300; ++round) {
        std::string changed = archive;
        const int flips = 1 + static_cast<int>(random() % 6);
        for (int f = 0; f < flips; ++f)
            changed[8 + random() % (header - 8)] = static_cast<char>(random());
        if (round % 3 == 0)
            changed.resize(random() % changed.size());
        extraction x;
        x.record.answer = [](const notification&) { return notification::result::skip; };
        try {
            engine_test::feed(x.extractor, changed, 1 + random() % 5000);
        } catch (const std::system_error& error) {
            EXPECT_TRUE(error.code().category() == installer::compress_category()) << error.what();
        }
        std::error_code ignored;
        EXPECT_TRUE(fs::is_empty(x.folder.path(), ignored)) << "round " << round;
    }
}

} // namespace
