#pragma once
// Wide text to and from the thread's ANSI code page, a whole block per call.

#include <cstddef>
#include <cwchar>
#include <locale>
#include <string>
#include <string_view>

namespace mv {

namespace details {

class w2a_codecvt : public std::codecvt<wchar_t, char, std::mbstate_t> {
public:
    explicit w2a_codecvt(std::size_t refs = 0) : std::codecvt<wchar_t, char, std::mbstate_t>(refs) {}
    // Public so that a facet can also live outside a locale.
    ~w2a_codecvt() override = default;

    static constexpr unsigned code_page = 3; // CP_THREAD_ACP

protected:
    bool do_always_noconv() const noexcept override { return false; }
    int do_max_length() const noexcept override { return 5; }
    int do_encoding() const noexcept override { return 0; }
    // Each converts the whole block or, when nothing of a non-empty block converts, reports error.
    result do_in(state_type& state, const char* from, const char* from_end, const char*& from_next, wchar_t* to,
                 wchar_t* to_end, wchar_t*& to_next) const override;
    result do_out(state_type& state, const wchar_t* from, const wchar_t* from_end, const wchar_t*& from_next,
                  char* to, char* to_end, char*& to_next) const override;
    result do_unshift(state_type& state, char* to, char* to_end, char*& to_next) const override;
    int do_length(state_type& state, const char* from, const char* from_end, std::size_t max) const override;
};

} // namespace details

// Wide text in the thread's ANSI code page; empty for an empty range or when the conversion fails.
std::string to_narrow(const wchar_t* first, const wchar_t* last);
inline std::string to_narrow(std::wstring_view text) { return to_narrow(text.data(), text.data() + text.size()); }

} // namespace mv
