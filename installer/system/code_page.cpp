#include "system/code_page.hpp"

#include <windows.h>

#include <algorithm>

namespace mv::details {

unsigned max_char_size(unsigned code_page)
{
    CPINFO info{};
    return ::GetCPInfo(code_page, &info) && info.MaxCharSize > 0 ? info.MaxCharSize : 1;
}

code_page_char decode_code_page_char(unsigned code_page, unsigned max_char_size, const char* bytes,
                                     std::size_t size)
{
    code_page_char result{code_page_char::invalid};
    const std::size_t longest = std::min<std::size_t>(size, max_char_size);
    for (std::size_t length = 1; length <= longest; ++length) {
        const int units = ::MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(length),
                                                result.text, 2);
        if (units > 0) {
            result.status = code_page_char::done;
            result.length = length;
            result.units = static_cast<std::size_t>(units);
            return result;
        }
    }
    if (size < max_char_size)
        result.status = code_page_char::need_more;
    return result;
}

std::size_t encode_code_page_char(unsigned code_page, const wchar_t* units, std::size_t count, char* out)
{
    // Best-fit mappings would silently write another letter ("A" for "Ā"); a character without an exact
    // mapping must be reported instead. UTF-8 and GB18030 reject both the flag and the default-character query.
    const bool unicode_page = code_page == CP_UTF8 || code_page == 54936;
    BOOL used_default = FALSE;
    const int written =
        ::WideCharToMultiByte(code_page, unicode_page ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, units,
                              static_cast<int>(count), out, 4, nullptr, unicode_page ? nullptr : &used_default);
    return written > 0 && !used_default ? static_cast<std::size_t>(written) : 0;
}

} // namespace mv::details
