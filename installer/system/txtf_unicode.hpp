#pragma once
// Byte-level decoding and encoding of one Unicode character in UTF-8, UTF-16 and UTF-32.

#include <cstddef>

namespace mv::txtf::details {

inline constexpr char32_t replacement_character = 0xFFFD;

constexpr bool is_high_surrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool is_low_surrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
constexpr bool is_surrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
constexpr char32_t combine_surrogates(char32_t high, char32_t low)
{
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

struct decoded {
    enum status_t { done, need_more, invalid };
    status_t status;
    char32_t code_point = 0;
    std::size_t length = 0; // bytes that form the character
};

// Strict UTF-8 for detection: overlong forms, encoded surrogates and values above U+10FFFF are invalid.
decoded decode_utf8_strict(const unsigned char* bytes, std::size_t size);
// Lenient UTF-8 for a stream known to be UTF-8: never invalid; malformed bytes give U+FFFD, and an
// encoded surrogate pair (six bytes) gives its supplementary character.
decoded decode_utf8_lenient(const unsigned char* bytes, std::size_t size);
// Never invalid: unpaired halves, surrogates and values above U+10FFFF give U+FFFD.
decoded decode_utf16(const unsigned char* bytes, std::size_t size, bool big_endian);
decoded decode_utf32(const unsigned char* bytes, std::size_t size, bool big_endian);

// Each writes at most four bytes and returns how many.
std::size_t encode_utf8(char32_t code_point, unsigned char* out);
std::size_t encode_utf16(char32_t code_point, bool big_endian, unsigned char* out);
std::size_t encode_utf32(char32_t code_point, bool big_endian, unsigned char* out);

} // namespace mv::txtf::details
