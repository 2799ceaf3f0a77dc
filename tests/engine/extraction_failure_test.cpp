#include "engine/compress_error.hpp"
#include "engine/extraction_failure.hpp"
#include "engine/file_failure.hpp"

#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/system/system_error.hpp>
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

namespace {

using installer::compress_errc;
using installer::describe_failure;

template <typename Exception>
installer::notification::failed described(const Exception& exception)
{
    return describe_failure(std::make_exception_ptr(exception));
}

TEST(describe_failure, follows_the_order_of_the_error_rules)
{
    // A bzip2 error is a stream failure too, but without an error of a file operation.
    EXPECT_EQ(described(boost::iostreams::bzip2_error(boost::iostreams::bzip2::data_error)).error, compress_errc::bzip2_failure);
    // A stream failure of a file carries the operating system's error.
    EXPECT_EQ(described(installer::file_failure("open", ERROR_SHARING_VIOLATION)).error,
              std::error_code(ERROR_SHARING_VIOLATION, std::system_category()));
    // Any other stream failure keeps its own code.
    EXPECT_EQ(described(std::ios_base::failure("stream")).error, std::io_errc::stream);
    EXPECT_EQ(described(std::system_error(installer::make_error_code(compress_errc::checksum_mismatch))).error,
              compress_errc::checksum_mismatch);
    EXPECT_EQ(described(boost::system::system_error(ERROR_DISK_FULL, boost::system::system_category())).error,
              std::error_code(ERROR_DISK_FULL, std::system_category()));
    EXPECT_EQ(described(boost::system::system_error(ENOSPC, boost::system::generic_category())).error,
              std::error_code(ENOSPC, std::generic_category()));
    EXPECT_EQ(described(std::runtime_error("other")).error, compress_errc::unexpected);
    EXPECT_EQ(described(std::bad_alloc()).error, compress_errc::unexpected);
}

TEST(describe_failure, a_file_system_error_names_its_path)
{
    const std::error_code denied(ERROR_ACCESS_DENIED, std::system_category());
    const auto failed = described(std::filesystem::filesystem_error("create_directories", L"C:\\x\\y", denied));
    EXPECT_EQ(failed.error, denied);
    EXPECT_EQ(failed.path, L"C:\\x\\y");
    EXPECT_TRUE(described(installer::file_failure("open", ERROR_ACCESS_DENIED)).path.empty());
}

TEST(compress_category, names_and_messages)
{
    EXPECT_STREQ(installer::compress_category().name(), "compress");
    EXPECT_EQ(installer::make_error_code(compress_errc::checksum_mismatch).message(), "invalid checksum");
    EXPECT_EQ(installer::make_error_code(compress_errc::payload_invalid).message(), "unknown error");
    EXPECT_EQ(installer::make_error_code(compress_errc::interrupted).message(), "interrupted");
    EXPECT_EQ(installer::make_error_code(compress_errc::bzip2_failure).message(), "bzip2 error");
    EXPECT_EQ(installer::make_error_code(compress_errc::unexpected).message(), "unexpected error");
    EXPECT_EQ(std::error_code(42, installer::compress_category()).message(), "unknown error");
}

} // namespace
