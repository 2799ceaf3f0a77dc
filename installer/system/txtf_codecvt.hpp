#pragma once
// The conversion facet of the text-file streams: wide characters to and from UTF-8, UTF-16, UTF-32 or the
// ANSI code page, with byte-order mark, byte order and line ends, all detected on input.
//
// The stream's mbstate_t carries a text_state, so every stream direction decides once, at the first
// character that needs it, and then keeps to that decision. The facet itself never changes and never
// throws; malformed input becomes U+FFFD.

#include "system/ansi_codecvt.hpp"
#include "system/txtf_mode.hpp"

#include <cstddef>
#include <cwchar>
#include <locale>

namespace mv::txtf {

template <typename CharT>
class codecvt;

template <>
class codecvt<wchar_t> : public std::codecvt<wchar_t, char, std::mbstate_t> {
private:
    // Declared first: `ansi` refers to it.
    details::ansi_codecvt ansi_facet_;

public:
    codecvt(text_mode mode, const std::locale& locale, std::size_t refs = 0);
    // The same with another ANSI code page than the system's.
    codecvt(text_mode mode, const std::locale& locale, unsigned ansi_code_page, std::size_t refs);
    // Public so that a facet can also live outside a locale.
    ~codecvt() override;

    const text_mode mode;     // normalised
    const std::locale locale; // the locale the facet was made for
    // The ANSI code page's facet, for encoding 8 and for detection. Not the locale's own wide/narrow facet:
    // MinGW's locales cannot convert the ANSI code page (see ansi_codecvt).
    const std::codecvt<wchar_t, char, std::mbstate_t>& ansi;
    // Written for a character the ANSI code page cannot represent; 0 writes nothing.
    char replacement = '?';

protected:
    bool do_always_noconv() const noexcept override;
    int do_max_length() const noexcept override;
    int do_encoding() const noexcept override;
    result do_in(state_type& state, const char* from, const char* from_end, const char*& from_next, wchar_t* to,
                 wchar_t* to_end, wchar_t*& to_next) const override;
    result do_out(state_type& state, const wchar_t* from, const wchar_t* from_end, const wchar_t*& from_next,
                  char* to, char* to_end, char*& to_next) const override;
    result do_unshift(state_type& state, char* to, char* to_end, char*& to_next) const override;
    int do_length(state_type& state, const char* from, const char* from_end, std::size_t max) const override;
};

} // namespace mv::txtf
