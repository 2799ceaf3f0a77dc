#include "engine/crc32.hpp"
#include "engine/file_crc32.hpp"
#include "engine/file_failure.hpp"
#include "engine/file_hold.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using installer::crc32;
using installer::file_crc32;

std::uint32_t crc_of(const std::string& bytes)
{
    crc32 crc;
    crc.update(bytes.data(), bytes.size());
    return crc.value();
}

TEST(crc32, check_value_and_empty_input)
{
    EXPECT_EQ(crc_of("123456789"), 0xCBF43926u);
    EXPECT_EQ(crc_of(""), 0u);
    EXPECT_EQ(crc_of(std::string(1, '\0')), 0xD202EF8Du);
}

TEST(crc32, blocks_give_the_sum_of_the_whole)
{
    std::string bytes;
    for (int i = 0; i < 10000; ++i)
        bytes.push_back(static_cast<char>(i * 7 + i / 13));
    crc32 pieces;
    for (std::size_t at = 0; at < bytes.size(); at += 333)
        pieces.update(bytes.data() + at, std::min<std::size_t>(333, bytes.size() - at));
    EXPECT_EQ(pieces.value(), crc_of(bytes));
}

TEST(file_crc32, reads_the_file_back)
{
    test_support::temp_folder folder;
    test_support::write_bytes(folder / L"check.txt", "123456789");
    test_support::write_bytes(folder / L"empty.txt", "");
    std::string large(3 * 4096 + 17, 'x');
    large[5000] = 'y';
    test_support::write_bytes(folder / L"large.bin", large);

    EXPECT_EQ(file_crc32(folder / L"check.txt"), 0xCBF43926u);
    EXPECT_EQ(file_crc32(folder / L"empty.txt"), 0u);
    EXPECT_EQ(file_crc32(folder / L"large.bin"), crc_of(large));
}

TEST(file_crc32, a_missing_file_fails_with_its_system_error)
{
    test_support::temp_folder folder;
    try {
        file_crc32(folder / L"missing.txt");
        FAIL() << "no failure";
    } catch (const installer::file_failure& failure) {
        EXPECT_EQ(failure.code(), std::error_code(ERROR_FILE_NOT_FOUND, std::system_category()));
    }
}

TEST(file_crc32, a_file_held_for_a_moment_is_still_read)
{
    test_support::temp_folder folder;
    const std::wstring path = folder / L"held.txt";
    test_support::write_bytes(path, "123456789");
    engine_test::file_hold hold(path, 1500);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(file_crc32(path), 0xCBF43926u);
    // The read waited for the holder: at least one retry a second later.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_EQ(hold.wait(), 0u);
}

TEST(file_crc32, a_file_held_longer_than_the_retries_fails_with_a_sharing_violation)
{
    test_support::temp_folder folder;
    const std::wstring path = folder / L"held.txt";
    test_support::write_bytes(path, "123456789");
    engine_test::file_hold hold(path, 8000);

    try {
        file_crc32(path);
        FAIL() << "no failure";
    } catch (const installer::file_failure& failure) {
        EXPECT_EQ(failure.code(), std::error_code(ERROR_SHARING_VIOLATION, std::system_category()));
    }
}

} // namespace
