#include "system/w2a_codecvt.hpp"

#include "system/code_page.hpp"

#include <windows.h>

#include <algorithm>
#include <array>
#include <climits>
#include <limits>
#include <memory>

namespace mv {

namespace details {

namespace {

// The Win32 conversions count in int.
int clamped(std::ptrdiff_t size) { return static_cast<int>(std::min<std::ptrdiff_t>(size, INT_MAX)); }

} // namespace

w2a_codecvt::result w2a_codecvt::do_in(state_type&, const char* from, const char* from_end, const char*& from_next,
                                       wchar_t* to, wchar_t* to_end, wchar_t*& to_next) const
{
    from_next = from;
    to_next = to;
    if (from == from_end)
        return ok;
    if (from_end - from > INT_MAX)
        return error;
    const int written =
        ::MultiByteToWideChar(code_page, MB_PRECOMPOSED, from, static_cast<int>(from_end - from), to, clamped(to_end - to));
    if (written <= 0)
        return error;
    from_next = from_end;
    to_next = to + written;
    return ok;
}

w2a_codecvt::result w2a_codecvt::do_out(state_type&, const wchar_t* from, const wchar_t* from_end,
                                        const wchar_t*& from_next, char* to, char* to_end, char*& to_next) const
{
    from_next = from;
    to_next = to;
    if (from == from_end)
        return ok;
    if (from_end - from > INT_MAX)
        return error;
    const int written = ::WideCharToMultiByte(code_page, WC_COMPOSITECHECK, from, static_cast<int>(from_end - from),
                                              to, clamped(to_end - to), nullptr, nullptr);
    if (written <= 0)
        return error;
    from_next = from_end;
    to_next = to + written;
    return ok;
}

w2a_codecvt::result w2a_codecvt::do_unshift(state_type&, char* to, char*, char*& to_next) const
{
    to_next = to;
    return ok;
}

// The bytes that make at most `max` wide characters (a count of characters would be wrong for
// double-byte code pages). A byte the code page rejects counts as one character, as do_in converts it.
int w2a_codecvt::do_length(state_type&, const char* from, const char* from_end, std::size_t max) const
{
    const unsigned longest = max_char_size(code_page);
    const char* const start = from;
    std::size_t produced = 0;
    while (from != from_end) {
        const code_page_char c =
            decode_code_page_char(code_page, longest, from, static_cast<std::size_t>(from_end - from));
        if (c.status == code_page_char::need_more)
            break;
        const std::size_t units = c.status == code_page_char::done ? c.units : 1;
        if (produced + units > max)
            break;
        produced += units;
        from += c.status == code_page_char::done ? c.length : 1;
    }
    return clamped(from - start);
}

} // namespace details

std::string to_narrow(const wchar_t* first, const wchar_t* last)
{
    constexpr std::size_t bytes_per_char = 5;
    const auto count = static_cast<std::size_t>(last - first);
    if (count == 0 || count > std::numeric_limits<std::size_t>::max() / bytes_per_char)
        return {};
    // Short texts (locale names) are converted on the stack.
    std::array<char, 511> local;
    std::unique_ptr<char[]> heap;
    char* buffer = local.data();
    const std::size_t size = count * bytes_per_char;
    if (size > local.size()) {
        heap = std::make_unique_for_overwrite<char[]>(size);
        buffer = heap.get();
    }
    const details::w2a_codecvt facet;
    std::mbstate_t state{};
    const wchar_t* from_next = nullptr;
    char* to_next = nullptr;
    if (facet.out(state, first, last, from_next, buffer, buffer + size, to_next) != std::codecvt_base::ok)
        return {};
    return std::string(buffer, to_next);
}

} // namespace mv
