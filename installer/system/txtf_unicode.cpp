#include "system/txtf_unicode.hpp"

#include <cstdint>

namespace mv::txtf::details {

namespace {

constexpr bool is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// One UTF-8 sequence by its lead byte's length, without judging the value it encodes.
decoded decode_utf8_sequence(const unsigned char* bytes, std::size_t size)
{
    const unsigned char lead = bytes[0];
    if (lead < 0x80)
        return {decoded::done, lead, 1};
    const std::size_t length = lead < 0xC0 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 0;
    if (length == 0)
        return {decoded::done, replacement_character, 1};
    char32_t value = lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if (i == size)
            return {decoded::need_more};
        if (!is_continuation(bytes[i]))
            return {decoded::done, replacement_character, i};
        value = value << 6 | (bytes[i] & 0x3Fu);
    }
    return {decoded::done, value, length};
}

std::uint32_t read_unit(const unsigned char* bytes, std::size_t width, bool big_endian)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value |= static_cast<std::uint32_t>(bytes[big_endian ? width - 1 - i : i]) << (8 * i);
    return value;
}

std::size_t write_unit(std::uint32_t value, std::size_t width, bool big_endian, unsigned char* out)
{
    for (std::size_t i = 0; i < width; ++i)
        out[big_endian ? width - 1 - i : i] = static_cast<unsigned char>(value >> (8 * i));
    return width;
}

} // namespace

decoded decode_utf8_strict(const unsigned char* bytes, std::size_t size)
{
    const unsigned char lead = bytes[0];
    if (lead < 0x80)
        return {decoded::done, lead, 1};
    std::size_t length = 0;
    // The range of the second byte excludes overlong forms, surrogates and values above U+10FFFF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return {decoded::invalid, 0, 1};
    }
    char32_t value = lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if (i == size)
            return {decoded::need_more};
        const unsigned char b = bytes[i];
        if (i == 1 ? b < low || b > high : !is_continuation(b))
            return {decoded::invalid, 0, i};
        value = value << 6 | (b & 0x3Fu);
    }
    return {decoded::done, value, length};
}

decoded decode_utf8_lenient(const unsigned char* bytes, std::size_t size)
{
    decoded first = decode_utf8_sequence(bytes, size);
    if (first.status != decoded::done)
        return first;
    if (first.length == 3 && is_high_surrogate(first.code_point)) {
        // A pair written as two three-byte sequences; wait while the rest could still be its low half.
        const std::size_t rest = size - 3;
        const unsigned char* next = bytes + 3;
        if (rest == 0 || (next[0] == 0xED && (rest == 1 || (next[1] >= 0xB0 && next[1] <= 0xBF && rest == 2))))
            return {decoded::need_more};
        const decoded second = decode_utf8_sequence(next, rest);
        if (second.status == decoded::done && second.length == 3 && is_low_surrogate(second.code_point))
            return {decoded::done, combine_surrogates(first.code_point, second.code_point), 6};
        return {decoded::done, replacement_character, 3};
    }
    if (is_surrogate(first.code_point) || first.code_point > 0x10FFFF)
        first.code_point = replacement_character;
    return first;
}

decoded decode_utf16(const unsigned char* bytes, std::size_t size, bool big_endian)
{
    if (size < 2)
        return {decoded::need_more};
    const char32_t unit = read_unit(bytes, 2, big_endian);
    if (is_low_surrogate(unit))
        return {decoded::done, replacement_character, 2};
    if (!is_high_surrogate(unit))
        return {decoded::done, unit, 2};
    if (size < 4)
        return {decoded::need_more};
    const char32_t low = read_unit(bytes + 2, 2, big_endian);
    if (!is_low_surrogate(low))
        return {decoded::done, replacement_character, 2};
    return {decoded::done, combine_surrogates(unit, low), 4};
}

decoded decode_utf32(const unsigned char* bytes, std::size_t size, bool big_endian)
{
    if (size < 4)
        return {decoded::need_more};
    const char32_t value = read_unit(bytes, 4, big_endian);
    if (is_surrogate(value) || value > 0x10FFFF)
        return {decoded::done, replacement_character, 4};
    return {decoded::done, value, 4};
}

std::size_t encode_utf8(char32_t c, unsigned char* out)
{
    if (c < 0x80) {
        out[0] = static_cast<unsigned char>(c);
        return 1;
    }
    const std::size_t length = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    for (std::size_t i = length - 1; i > 0; --i) {
        out[i] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        c >>= 6;
    }
    out[0] = static_cast<unsigned char>((0xF00u >> length) | c);
    return length;
}

std::size_t encode_utf16(char32_t c, bool big_endian, unsigned char* out)
{
    if (c < 0x10000)
        return write_unit(c, 2, big_endian, out);
    c -= 0x10000;
    write_unit(0xD800 + (c >> 10), 2, big_endian, out);
    return 2 + write_unit(0xDC00 + (c & 0x3FF), 2, big_endian, out + 2);
}

std::size_t encode_utf32(char32_t c, bool big_endian, unsigned char* out)
{
    return write_unit(c, 4, big_endian, out);
}

} // namespace mv::txtf::details
