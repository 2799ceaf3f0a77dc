#pragma once
// CRC-32 of ISO 3309 and zlib (reflected polynomial 0x04C11DB7, register and result inverted).
// Plain standard C++: the payload packer, built for the build machine, computes the same sums.

#include <cstddef>
#include <cstdint>

namespace installer {

class crc32 {
public:
    void update(const void* data, std::size_t size) noexcept;
    std::uint32_t value() const noexcept { return ~state_; }

private:
    std::uint32_t state_ = 0xFFFFFFFFu;
};

} // namespace installer
