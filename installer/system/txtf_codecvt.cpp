#include "system/txtf_codecvt.hpp"

#include <algorithm>
#include <climits>

namespace mv::txtf {

codecvt<wchar_t>::codecvt(text_mode mode, const std::locale& locale, std::size_t refs)
    : codecvt(mode, locale, 0, refs)
{
}

codecvt<wchar_t>::codecvt(text_mode mode, const std::locale& locale, unsigned ansi_code_page, std::size_t refs)
    : std::codecvt<wchar_t, char, std::mbstate_t>(refs),
      ansi_facet_(ansi_code_page, 1),
      mode(text_mode::normalised(mode.bits)),
      locale(locale),
      ansi(ansi_facet_)
{
}

codecvt<wchar_t>::~codecvt() = default;

bool codecvt<wchar_t>::do_always_noconv() const noexcept { return false; }

// Bytes that may be needed for one wide character, with a mark in front and a CR LF pair read as one line
// feed; the file buffer sizes its byte buffer from it.
int codecvt<wchar_t>::do_max_length() const noexcept
{
    const bool mark = !mode.without_mark();
    const bool crlf = !mode.single_line_end();
    const int ansi_length = ansi.max_length() * (crlf ? 2 : 1);
    switch (mode.encoding()) {
    case text_mode::utf8:
        return mark ? 9 : 6;
    case text_mode::utf16:
        return mark ? 6 : 4;
    case text_mode::utf32:
        return crlf ? (mark ? 12 : 8) : (mark ? 8 : 4);
    case text_mode::ansi:
        return ansi_length;
    default:
        return std::max(2 * ansi.max_length(), crlf ? (mark ? 12 : 8) : (mark ? 9 : 6));
    }
}

// Fixed width only when nothing depends on the start of the stream: no mark, and the line end is named.
int codecvt<wchar_t>::do_encoding() const noexcept
{
    if (!mode.without_mark() || mode.line_end() == 0)
        return -1;
    if (mode.line_end() == text_mode::crlf)
        return 0;
    switch (mode.encoding()) {
    case text_mode::utf32:
        return 4;
    case text_mode::ansi:
        return ansi.encoding();
    default:
        return 0;
    }
}

codecvt<wchar_t>::result codecvt<wchar_t>::do_unshift(state_type& state, char* to, char*, char*& to_next) const
{
    to_next = to;
    // A high surrogate still waiting for its partner cannot be written any more.
    return text_state::load(state).has(text_state::half_pending) ? error : ok;
}

int codecvt<wchar_t>::do_length(state_type& state, const char* from, const char* from_end, std::size_t max) const
{
    const char* position = from;
    for (std::size_t produced = 0; produced < max; ++produced) {
        wchar_t scratch;
        wchar_t* scratch_next = nullptr;
        do_in(state, position, from_end, position, &scratch, &scratch + 1, scratch_next);
        if (scratch_next == &scratch)
            break;
    }
    return static_cast<int>(std::min<std::ptrdiff_t>(position - from, INT_MAX));
}

} // namespace mv::txtf
