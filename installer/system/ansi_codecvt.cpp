#include "system/ansi_codecvt.hpp"

#include "system/code_page.hpp"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace mv::details {

namespace {

bool is_high(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

} // namespace

ansi_codecvt::ansi_codecvt(unsigned code_page, std::size_t refs)
    : std::codecvt<wchar_t, char, std::mbstate_t>(refs),
      code_page_(code_page == CP_ACP ? ::GetACP() : code_page),
      max_char_size_(max_char_size(code_page_))
{
}

ansi_codecvt::result ansi_codecvt::do_in(state_type&, const char* from, const char* from_end, const char*& from_next,
                                         wchar_t* to, wchar_t* to_end, wchar_t*& to_next) const
{
    result outcome = ok;
    while (from != from_end) {
        const code_page_char c =
            decode_code_page_char(code_page_, max_char_size_, from, static_cast<std::size_t>(from_end - from));
        if (c.status != code_page_char::done) {
            outcome = c.status == code_page_char::need_more ? partial : error;
            break;
        }
        if (c.units > static_cast<std::size_t>(to_end - to)) {
            outcome = partial;
            break;
        }
        to = std::copy_n(c.text, c.units, to);
        from += c.length;
    }
    from_next = from;
    to_next = to;
    return outcome;
}

ansi_codecvt::result ansi_codecvt::do_out(state_type&, const wchar_t* from, const wchar_t* from_end,
                                          const wchar_t*& from_next, char* to, char* to_end, char*& to_next) const
{
    result outcome = ok;
    while (from != from_end) {
        std::size_t units = 1;
        if (is_high(*from)) {
            if (from + 1 == from_end) {
                outcome = partial;
                break;
            }
            units = is_low(from[1]) ? 2 : 0;
        } else if (is_low(*from)) {
            units = 0;
        }
        char bytes[4];
        const std::size_t length = units ? encode_code_page_char(code_page_, from, units, bytes) : 0;
        if (length == 0) {
            outcome = error;
            break;
        }
        if (length > static_cast<std::size_t>(to_end - to)) {
            outcome = partial;
            break;
        }
        std::memcpy(to, bytes, length);
        to += length;
        from += units;
    }
    from_next = from;
    to_next = to;
    return outcome;
}

ansi_codecvt::result ansi_codecvt::do_unshift(state_type&, char* to, char*, char*& to_next) const
{
    to_next = to;
    return ok;
}

int ansi_codecvt::do_length(state_type&, const char* from, const char* from_end, std::size_t max) const
{
    const char* const start = from;
    std::size_t produced = 0;
    while (from != from_end) {
        const code_page_char c =
            decode_code_page_char(code_page_, max_char_size_, from, static_cast<std::size_t>(from_end - from));
        if (c.status != code_page_char::done || produced + c.units > max)
            break;
        produced += c.units;
        from += c.length;
    }
    return static_cast<int>(std::min<std::ptrdiff_t>(from - start, INT_MAX));
}

} // namespace mv::details
