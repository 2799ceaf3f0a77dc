#include "engine/compress_error.hpp"
#include "engine/extract_payload.hpp"
#include "engine/file_hold.hpp"
#include "engine/payload_fixture.hpp"
#include "engine/payload_source.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

using installer::compress_errc;
using installer::notification;
namespace fs = std::filesystem;

struct run {
    test_support::temp_folder folder;
    engine_test::recorder record;
    bool result = false;

    run() { record.root = folder.path(); }

    void extract(const std::string& payload)
    {
        std::istringstream source(payload);
        result = installer::extract_payload(source, folder.path(), L"", L"", record.callback());
    }
    std::vector<std::string> failures() const { return record.lines("failed"); }
};

std::string failed_line(const std::error_code& code, const std::string& path)
{
    return std::string("failed ") + code.category().name() + ":" + std::to_string(code.value()) + " " + path;
}

std::string failed_line(compress_errc code, const std::string& path)
{
    return failed_line(installer::make_error_code(code), path);
}

std::string repacked(const std::string& payload, const std::function<void(std::string&)>& change)
{
    std::string archive = engine_test::decompress(payload);
    change(archive);
    return engine_test::compress(archive);
}

TEST(extract_payload, a_whole_payload_is_reported_from_started_to_finished)
{
    const std::string payload = engine_test::packed_payload("basic");
    run r;
    r.extract(payload);
    EXPECT_TRUE(r.result);
    ASSERT_GE(r.record.log.size(), 3u);
    EXPECT_EQ(r.record.log.front(), "started");
    const std::string archive = engine_test::decompress(payload);
    EXPECT_EQ(r.record.log.back(),
              "finished " + std::to_string(payload.size()) + " " + std::to_string(archive.size()));
    EXPECT_TRUE(r.failures().empty());
    EXPECT_EQ(fs::file_size(r.folder / L"Data\\Deep\\beta.bin"), 9000u);
}

TEST(extract_payload, a_skipped_entry_still_ends_with_finished_at_the_total)
{
    const std::string payload = engine_test::packed_payload("basic");
    run r;
    r.record.answer = [](const notification& message) {
        return message.type() == notification::kind::file_started ? notification::result::skip
                                                                  : notification::result::proceed;
    };
    r.extract(payload);
    EXPECT_TRUE(r.result);
    EXPECT_TRUE(fs::is_empty(r.folder.path()));
    const std::string total = std::to_string(engine_test::decompress(payload).size());
    EXPECT_EQ(r.record.log.back(), "finished " + std::to_string(payload.size()) + " " + total);
    EXPECT_EQ(r.record.log[r.record.log.size() - 2], "progress " + total + "/" + total);
}

TEST(extract_payload, damaged_compressed_data_fails_as_a_bzip2_error)
{
    std::string payload = engine_test::packed_payload("basic");
    payload[5] = static_cast<char>(payload[5] ^ 0x55);  // inside the first block's signature, after "BZh9"
    run r;
    r.extract(payload);
    EXPECT_FALSE(r.result);
    EXPECT_EQ(r.failures(), std::vector<std::string>{failed_line(compress_errc::bzip2_failure, "")});
    EXPECT_EQ(r.record.lines("finished").size(), 0u);
}

// Damage inside a block comes out as wrong bytes before the block's own CRC is checked: whichever check sees it
// first reports it, once.
TEST(extract_payload, damage_inside_a_block_fails_once)
{
    const std::string original = engine_test::packed_payload("basic");
    for (const std::size_t at : {std::size_t{40}, original.size() / 4, original.size() / 2, original.size() * 3 / 4}) {
        std::string payload = original;
        for (std::size_t k = at; k < at + 8; ++k)
            payload[k] = static_cast<char>(~payload[k]);
        run r;
        r.extract(payload);
        EXPECT_FALSE(r.result) << "damage at " << at;
        EXPECT_EQ(r.failures().size(), 1u) << "damage at " << at;
        EXPECT_EQ(r.record.lines("finished").size(), 0u);
    }
}

TEST(extract_payload, an_archive_shorter_than_its_table_fails_and_leaves_the_partial_file)
{
    const std::string payload =
        repacked(engine_test::packed_payload("basic"), [](std::string& archive) { archive.resize(archive.size() - 100); });
    run r;
    r.extract(payload);
    EXPECT_FALSE(r.result);
    EXPECT_EQ(r.failures(), std::vector<std::string>{failed_line(compress_errc::unexpected, "<root>\\Samples\\gamma.txt")});
    EXPECT_EQ(fs::file_size(r.folder / L"Samples\\gamma.txt"), 5123u - 100u);
    EXPECT_EQ(r.record.log.back().rfind("failed", 0), 0u);
}

TEST(extract_payload, one_byte_too_many_fails_after_the_last_file)
{
    const std::string payload =
        repacked(engine_test::packed_payload("basic"), [](std::string& archive) { archive.push_back('x'); });
    run r;
    r.extract(payload);
    EXPECT_FALSE(r.result);
    const std::vector<std::string> tail(r.record.log.end() - 2, r.record.log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"file_finished <root>\\Samples\\gamma.txt",
                                              failed_line(compress_errc::unexpected, "")}));
    EXPECT_EQ(r.failures().size(), 1u);
}

TEST(extract_payload, a_crc_that_does_not_match_names_that_file)
{
    const std::string payload = repacked(engine_test::packed_payload("basic"), [](std::string& archive) {
        const std::size_t at = engine_test::entry_crc_offset(archive, 1);
        engine_test::put_le(archive, at, 4, engine_test::get_le(archive, at, 4) ^ 1);
    });
    run r;
    r.extract(payload);
    EXPECT_FALSE(r.result);
    EXPECT_EQ(r.failures(),
              std::vector<std::string>{failed_line(compress_errc::checksum_mismatch, "<root>\\Data\\Deep\\beta.bin")});
    EXPECT_EQ(r.record.lines("file_finished").size(), 1u);
    EXPECT_FALSE(fs::exists(r.folder / L"Samples"));
}

TEST(extract_payload, abort_at_file_started_fails_without_a_path_and_opens_nothing)
{
    run r;
    r.record.answer = engine_test::answer_file_started(L"beta.bin", notification::result::abort);
    r.extract(engine_test::packed_payload("basic"));
    EXPECT_FALSE(r.result);
    EXPECT_EQ(r.failures(), std::vector<std::string>{failed_line(compress_errc::interrupted, "")});
    EXPECT_FALSE(fs::exists(r.folder / L"Data"));
}

TEST(extract_payload, abort_during_a_file_names_that_file)
{
    run r;
    int progress = 0;
    r.record.answer = [&](const notification& message) {
        return message.type() == notification::kind::progress && ++progress == 3 ? notification::result::abort
                                                                                 : notification::result::proceed;
    };
    r.extract(engine_test::packed_payload("basic"));
    EXPECT_FALSE(r.result);
    // Progress 1 follows the header, 2 the first block of alpha.txt, 3 its second block.
    EXPECT_EQ(r.failures(), std::vector<std::string>{failed_line(compress_errc::interrupted, "<root>\\alpha.txt")});
}

TEST(extract_payload, a_file_that_cannot_be_created_fails_with_the_system_error_and_its_path)
{
    run r;
    fs::create_directories(r.folder / L"alpha.txt");  // a folder where the file belongs
    r.extract(engine_test::packed_payload("basic"));
    EXPECT_FALSE(r.result);
    EXPECT_EQ(r.failures(), std::vector<std::string>{failed_line(
                                std::error_code(ERROR_ACCESS_DENIED, std::system_category()), "<root>\\alpha.txt")});
}

TEST(extract_payload, a_folder_that_cannot_be_created_fails_with_the_file_system_error)
{
    run r;
    test_support::write_bytes(r.folder / L"Data", "a file where a folder belongs");
    r.extract(engine_test::packed_payload("basic"));
    EXPECT_FALSE(r.result);
    const std::vector<std::string> failures = r.failures();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].find("failed compress"), std::string::npos) << failures[0];
    // The entry was under way, so its file is the path concerned.
    const std::string path = " <root>\\Data\\Deep\\beta.bin";
    EXPECT_EQ(failures[0].substr(failures[0].size() - path.size()), path) << failures[0];
}

TEST(extract_payload, a_file_held_by_another_process_fails_with_a_sharing_violation)
{
    run r;
    const std::wstring path = r.folder / L"alpha.txt";
    test_support::write_bytes(path, "held");
    engine_test::file_hold hold(path, 20000);
    r.extract(engine_test::packed_payload("basic"));
    EXPECT_FALSE(r.result);
    EXPECT_EQ(r.failures(), std::vector<std::string>{failed_line(
                                std::error_code(ERROR_SHARING_VIOLATION, std::system_category()), "<root>\\alpha.txt")});
}

TEST(extract_payload, an_error_raised_on_started_fails_before_any_file)
{
    run r;
    r.record.answer = [](const notification& message) -> notification::result {
        if (message.type() == notification::kind::started)
            installer::throw_compress_error(compress_errc::payload_invalid);
        return notification::result::proceed;
    };
    r.extract(engine_test::packed_payload("basic"));
    EXPECT_FALSE(r.result);
    EXPECT_EQ(r.record.log, (std::vector<std::string>{"started", failed_line(compress_errc::payload_invalid, "")}));
    EXPECT_TRUE(fs::is_empty(r.folder.path()));
}

TEST(extract_payload, empty_or_failed_sources_end_as_unexpected)
{
    run empty;
    empty.extract("");
    EXPECT_FALSE(empty.result);
    EXPECT_EQ(empty.record.log, (std::vector<std::string>{"started", failed_line(compress_errc::unexpected, "")}));

    run failed;
    std::istringstream source(engine_test::packed_payload("basic"));
    source.setstate(std::ios_base::failbit);
    EXPECT_FALSE(installer::extract_payload(source, failed.folder.path(), L"", L"", failed.record.callback()));
    EXPECT_EQ(failed.failures(), std::vector<std::string>{failed_line(compress_errc::unexpected, "")});
}

TEST(validate_payload, accepts_whole_streams_only)
{
    const std::string payload = engine_test::packed_payload("basic");
    const auto valid = [](const std::string& bytes) {
        std::istringstream source(bytes);
        return installer::validate_payload(source);
    };
    EXPECT_TRUE(valid(payload));
    EXPECT_FALSE(valid(""));
    EXPECT_FALSE(valid(payload.substr(0, payload.size() - 1)));
    EXPECT_FALSE(valid(payload + "trailing bytes"));
    std::string damaged = payload;
    damaged[damaged.size() / 2] = static_cast<char>(~damaged[damaged.size() / 2]);
    EXPECT_FALSE(valid(damaged));
    EXPECT_FALSE(valid("BZh9 but nothing after it"));
}

TEST(payload_source, the_installers_own_payload_validates_and_extracts_after_a_rewind)
{
    installer::payload_source source;
    ASSERT_TRUE(installer::validate_payload(source));
    installer::rewind(source);
    run r;
    // Every folder of the shipped layout inside the test's own.
    installer::destination_bases bases{r.folder.path(), r.folder / L"Samples", L""};
    bases.shell_folders = [&r](int csidl, int, bool) { return r.folder / (L"Shell" + std::to_wstring(csidl)); };
    EXPECT_TRUE(installer::extract_payload(source, bases, r.record.callback()));
    EXPECT_TRUE(fs::is_regular_file(r.folder / L"Tarvolith.exe"));
    EXPECT_TRUE(fs::is_regular_file(r.folder / L"DSETUP.dll")) << "<Temporary> without a working folder";
}

TEST(payload_source, reads_the_bytes_in_place_and_seeks)
{
    const std::string bytes = "0123456789";
    installer::payload_source source(installer::resource_view{bytes.data(), bytes.size()});
    std::string text;
    source >> text;
    EXPECT_EQ(text, bytes);
    EXPECT_TRUE(source.eof());
    installer::rewind(source);
    EXPECT_TRUE(source.good());
    source.seekg(4);
    EXPECT_EQ(source.get(), '4');

    installer::payload_source missing(installer::resource_view{});
    EXPECT_EQ(missing.get(), std::char_traits<char>::eof());
}

} // namespace
