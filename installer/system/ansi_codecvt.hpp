#pragma once
// A wide/narrow conversion facet for a Windows ANSI code page, one character at a time.
//
// The standard facet of MinGW's "C" locale does not know the ANSI code page (bytes 0x80-0x9F of code
// page 1252 come out as C1 controls), and MinGW has no named locales to ask for a better one, so the
// system's own conversion tables are used instead.

#include <cstddef>
#include <cwchar>
#include <locale>

namespace mv::details {

class ansi_codecvt : public std::codecvt<wchar_t, char, std::mbstate_t> {
public:
    // Code page 0 is the system's ANSI code page (CP_ACP).
    explicit ansi_codecvt(unsigned code_page = 0, std::size_t refs = 0);
    // Public so that a facet can also live outside a locale.
    ~ansi_codecvt() override = default;

    unsigned code_page() const noexcept { return code_page_; }

protected:
    bool do_always_noconv() const noexcept override { return false; }
    int do_max_length() const noexcept override { return static_cast<int>(max_char_size_); }
    int do_encoding() const noexcept override { return max_char_size_ == 1 ? 1 : 0; }
    // Unconvertible bytes and characters without an exact mapping are errors; a character cut off at the
    // end of the input is partial.
    result do_in(state_type& state, const char* from, const char* from_end, const char*& from_next, wchar_t* to,
                 wchar_t* to_end, wchar_t*& to_next) const override;
    result do_out(state_type& state, const wchar_t* from, const wchar_t* from_end, const wchar_t*& from_next,
                  char* to, char* to_end, char*& to_next) const override;
    result do_unshift(state_type& state, char* to, char* to_end, char*& to_next) const override;
    int do_length(state_type& state, const char* from, const char* from_end, std::size_t max) const override;

private:
    unsigned code_page_;
    unsigned max_char_size_;
};

} // namespace mv::details
