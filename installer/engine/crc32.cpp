#include "engine/crc32.hpp"

#include <array>

namespace installer {
namespace {

using crc_table = std::array<std::uint32_t, 256>;

crc_table make_table() noexcept
{
    crc_table table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

} // namespace

void crc32::update(const void* data, std::size_t size) noexcept
{
    static const crc_table table = make_table();  // built once, on first use
    const auto* byte = static_cast<const unsigned char*>(data);
    std::uint32_t c = state_;
    for (std::size_t i = 0; i < size; ++i)
        c = table[(c ^ byte[i]) & 0xFFu] ^ (c >> 8);
    state_ = c;
}

} // namespace installer
