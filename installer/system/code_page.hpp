#pragma once
// Single characters of a Windows code page, converted through the system's own tables.

#include <cstddef>

namespace mv::details {

// The longest character of a code page in bytes (1 when the code page is unknown).
unsigned max_char_size(unsigned code_page);

struct code_page_char {
    enum status_t { done, need_more, invalid };
    status_t status;
    std::size_t length = 0; // bytes
    std::size_t units = 0;  // UTF-16 units in text
    wchar_t text[2] = {};
};

// The character at the start of the bytes: the shortest prefix that the code page converts.
code_page_char decode_code_page_char(unsigned code_page, unsigned max_char_size, const char* bytes,
                                     std::size_t size);

// One character (one UTF-16 unit or a surrogate pair) into at most four bytes; 0 when the code page
// cannot represent it exactly.
std::size_t encode_code_page_char(unsigned code_page, const wchar_t* units, std::size_t count, char* out);

} // namespace mv::details
