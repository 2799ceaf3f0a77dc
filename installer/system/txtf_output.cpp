// Writing: wide characters to bytes, with the mark in front of the first character and line feeds
// written as the stream's line end.

#include "system/txtf_codecvt.hpp"
#include "system/txtf_unicode.hpp"

#include <cstring>

namespace mv::txtf {

namespace {

using details::replacement_character;

constexpr char32_t carriage_return = 0x0D;
constexpr char32_t line_feed = 0x0A;
constexpr char32_t mark_character = 0xFEFF;
// One group is at most a mark, a CR and a character; the ANSI code page may take up to 32 bytes for it.
constexpr std::size_t group_capacity = 32;

class writer {
public:
    writer(const codecvt<wchar_t>& facet, text_state& state)
        : mode_(facet.mode), ansi_(facet.ansi), replacement_(facet.replacement), state_(state)
    {
    }

    // The bytes of one character with what goes in front of it; records the decisions in the state.
    std::size_t group(char32_t c, unsigned char* out)
    {
        const std::uint32_t encoding = resolve_encoding();
        char32_t points[3];
        std::size_t count = 0;
        if (encoding != text_state::ansi && state_.get(text_state::mark_mask) == 0) {
            const bool mark = !mode_.without_mark();
            state_.set(text_state::mark_mask, mark ? text_state::mark_present : text_state::mark_absent);
            if (mark)
                points[count++] = mark_character;
        }
        if (c == 0xFFFE || c == 0xFFFF)
            c = replacement_character;
        if (c == line_feed) {
            const std::uint32_t style = line_end_style();
            state_.record_line_end(style);
            if (style != text_state::lf)
                points[count++] = carriage_return;
            if (style != text_state::cr)
                points[count++] = line_feed;
        } else if (c != carriage_return) {
            points[count++] = c;
        }
        if (encoding == text_state::ansi)
            return encode_ansi(points, count, out);
        std::size_t size = 0;
        const bool big = encoding != text_state::utf8 && resolve_big_endian(state_, mode_);
        for (std::size_t i = 0; i < count; ++i) {
            if (encoding == text_state::utf8)
                size += details::encode_utf8(points[i], out + size);
            else if (encoding == text_state::utf16)
                size += details::encode_utf16(points[i], big, out + size);
            else
                size += details::encode_utf32(points[i], big, out + size);
        }
        return size;
    }

private:
    std::uint32_t resolve_encoding()
    {
        if (const std::uint32_t named = named_encoding(mode_); named != text_state::undecided)
            return named;
        if (state_.get(text_state::encoding_mask) == text_state::undecided)
            state_.set(text_state::encoding_mask, text_state::ansi);
        return state_.get(text_state::encoding_mask);
    }

    // The style the stream already has (mixed writes CR LF), else the mode's.
    std::uint32_t line_end_style() const
    {
        const std::uint32_t seen = state_.get(text_state::line_end_mask);
        if (seen == text_state::mixed)
            return text_state::crlf;
        if (seen != 0)
            return seen;
        if (mode_.line_end() == text_mode::lf)
            return text_state::lf;
        if (mode_.line_end() == text_mode::cr)
            return text_state::cr;
        return text_state::crlf;
    }

    // Through the ANSI facet; what it cannot write becomes the replacement byte.
    std::size_t encode_ansi(const char32_t* points, std::size_t count, unsigned char* out) const
    {
        wchar_t units[6];
        std::size_t unit_count = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (points[i] < 0x10000) {
                units[unit_count++] = static_cast<wchar_t>(points[i]);
            } else {
                units[unit_count++] = static_cast<wchar_t>(0xD800 + ((points[i] - 0x10000) >> 10));
                units[unit_count++] = static_cast<wchar_t>(0xDC00 + (points[i] & 0x3FF));
            }
        }
        std::mbstate_t state{};
        const wchar_t* position = units;
        char* to = reinterpret_cast<char*>(out);
        char* const to_end = to + group_capacity;
        while (position != units + unit_count) {
            const wchar_t* next = position;
            char* to_next = to;
            const auto result = ansi_.out(state, position, units + unit_count, next, to, to_end, to_next);
            if ((result != std::codecvt_base::ok && result != std::codecvt_base::partial) || next == position) {
                if (replacement_ == 0)
                    return 0;
                out[0] = static_cast<unsigned char>(replacement_);
                return 1;
            }
            position = next;
            to = to_next;
        }
        return static_cast<std::size_t>(to - reinterpret_cast<char*>(out));
    }

    const text_mode mode_;
    const std::codecvt<wchar_t, char, std::mbstate_t>& ansi_;
    const char replacement_;
    text_state& state_;
};

} // namespace

codecvt<wchar_t>::result codecvt<wchar_t>::do_out(state_type& mbstate, const wchar_t* from, const wchar_t* from_end,
                                                  const wchar_t*& from_next, char* to, char* to_end,
                                                  char*& to_next) const
{
    text_state state = text_state::load(mbstate);
    writer output(*this, state);
    const wchar_t* in = from;
    char* out = to;
    result outcome = ok;
    while (in != from_end) {
        const text_state before = state;
        const char32_t unit = static_cast<char16_t>(*in);
        char32_t c = unit;
        std::size_t used = 1;
        if (state.has(text_state::half_pending)) {
            // The high half held from the previous call; without its partner it is U+FFFD.
            const bool paired = details::is_low_surrogate(unit);
            c = paired ? 0x10000 + (state.held() << 10) + (unit - 0xDC00) : replacement_character;
            used = paired ? 1 : 0;
            state.drop_held();
        } else if (details::is_high_surrogate(unit)) {
            if (in + 1 == from_end) {
                state.hold(unit & 0x3FF);
                ++in;
                break;
            }
            const char32_t low = static_cast<char16_t>(in[1]);
            const bool paired = details::is_low_surrogate(low);
            c = paired ? details::combine_surrogates(unit, low) : replacement_character;
            used = paired ? 2 : 1;
        } else if (details::is_low_surrogate(unit)) {
            c = replacement_character;
        }
        unsigned char group[group_capacity];
        const std::size_t size = output.group(c, group);
        if (size > static_cast<std::size_t>(to_end - out)) {
            state = before;
            outcome = partial;
            break;
        }
        std::memcpy(out, group, size);
        out += size;
        in += used;
    }
    if (outcome == ok && state.has(text_state::half_pending))
        outcome = partial;
    state.store(mbstate);
    from_next = in;
    to_next = out;
    return outcome;
}

} // namespace mv::txtf
