#include "engine/compress_error.hpp"

#include <string>

namespace installer {
namespace {

class compress_category_impl final : public std::error_category {
public:
    const char* name() const noexcept override { return "compress"; }

    std::string message(int value) const override
    {
        switch (static_cast<compress_errc>(value)) {
        case compress_errc::checksum_mismatch: return "invalid checksum";
        case compress_errc::interrupted: return "interrupted";
        case compress_errc::bzip2_failure: return "bzip2 error";
        case compress_errc::unexpected: return "unexpected error";
        default: return "unknown error";  // payload_invalid has no message of its own
        }
    }
};

} // namespace

const std::error_category& compress_category() noexcept
{
    static const compress_category_impl category;
    return category;
}

std::error_code make_error_code(compress_errc e) noexcept
{
    return {static_cast<int>(e), compress_category()};
}

void throw_compress_error(compress_errc e)
{
    throw std::system_error(make_error_code(e));
}

} // namespace installer
