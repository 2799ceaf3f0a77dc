#pragma once
// The extractor's own error codes, category "compress".

#include <system_error>

namespace installer {

enum class compress_errc {
    checksum_mismatch = 3,
    payload_invalid = 4,
    interrupted = 5,
    bzip2_failure = 6,
    unexpected = 7,
};

const std::error_category& compress_category() noexcept;

std::error_code make_error_code(compress_errc e) noexcept;

// Raises std::system_error with the code.
[[noreturn]] void throw_compress_error(compress_errc e);

} // namespace installer

template <>
struct std::is_error_code_enum<installer::compress_errc> : std::true_type {};
