// Reading: bytes to wide characters, detecting the encoding, the mark and the line ends on the way.

#include "system/txtf_codecvt.hpp"
#include "system/txtf_unicode.hpp"

#include <algorithm>
#include <cstring>

namespace mv::txtf {

namespace {

using details::decoded;
using details::replacement_character;

constexpr char32_t carriage_return = 0x0D;
constexpr char32_t line_feed = 0x0A;
constexpr char32_t mark_character = 0xFEFF;

// What the bytes at hand start with: a character, bytes that make none (a mark, the LF of a CR LF) or
// too few bytes to tell.
struct step {
    enum kind_t { character, nothing, need_more };
    kind_t kind;
    char32_t code_point = 0;
    std::size_t length = 0;
};

step from_decoded(const decoded& d)
{
    return d.status == decoded::done ? step{step::character, d.code_point, d.length} : step{step::need_more};
}

struct mark_pattern {
    unsigned char bytes[4];
    std::size_t length;
    std::uint32_t encoding;
    std::uint32_t byte_order;
};

// FF FE 00 00 (UTF-32 little-endian) is told from FF FE (UTF-16 little-endian) after the fact, so that a
// file that holds only the UTF-16 mark reads as empty instead of ending inside a mark.
constexpr mark_pattern marks[] = {
    {{0x00, 0x00, 0xFE, 0xFF}, 4, text_state::utf32, text_state::big_endian},
    {{0xEF, 0xBB, 0xBF}, 3, text_state::utf8, 0},
    {{0xFE, 0xFF}, 2, text_state::utf16, text_state::big_endian},
    {{0xFF, 0xFE}, 2, text_state::utf16, text_state::little_endian},
};

class reader {
public:
    reader(const codecvt<wchar_t>& facet, text_state& state) : mode_(facet.mode), ansi_(facet.ansi), state_(state)
    {
    }

    // Decisions are recorded in the state as they are taken; the caller restores it on need_more.
    step next(const unsigned char* bytes, std::size_t size)
    {
        step s = decode(bytes, size);
        if (s.kind != step::character)
            return s;
        // A named UTF encoding has no detection, so its mark is the first character itself.
        const std::uint32_t named = named_encoding(mode_);
        if (named != text_state::undecided && named != text_state::ansi && state_.get(text_state::mark_mask) == 0) {
            if (s.code_point == mark_character && !mode_.without_mark()) {
                state_.set(text_state::mark_mask, text_state::mark_present);
                return {step::nothing, 0, s.length};
            }
            state_.set(text_state::mark_mask, text_state::mark_absent);
        }
        s = line_end(s);
        if (s.code_point == 0xFFFE || s.code_point == 0xFFFF)
            s.code_point = replacement_character;
        return s;
    }

private:
    step decode(const unsigned char* bytes, std::size_t size)
    {
        std::uint32_t encoding = named_encoding(mode_);
        if (encoding == text_state::undecided)
            encoding = state_.get(text_state::encoding_mask);
        if (encoding == text_state::undecided) {
            if (!mode_.without_mark() && state_.get(text_state::mark_mask) == 0) {
                const step mark = detect_mark(bytes, size);
                if (mark.kind != step::character)
                    return mark;
            }
            return detect_character(bytes, size);
        }
        switch (encoding) {
        case text_state::utf8:
            return from_decoded(details::decode_utf8_lenient(bytes, size));
        case text_state::utf16:
            return decode_utf16(bytes, size);
        case text_state::utf32:
            return from_decoded(details::decode_utf32(bytes, size, resolve_big_endian(state_, mode_)));
        default:
            return decode_ansi(bytes, size);
        }
    }

    // A character means "no mark here": the caller goes on to detect the encoding.
    step detect_mark(const unsigned char* bytes, std::size_t size)
    {
        for (const mark_pattern& mark : marks) {
            if (std::memcmp(bytes, mark.bytes, std::min(size, mark.length)) != 0)
                continue;
            if (size < mark.length)
                return {step::need_more};
            state_.set(text_state::encoding_mask, mark.encoding);
            state_.set(text_state::byte_order_mask, mark.byte_order);
            state_.set(text_state::mark_mask, text_state::mark_present);
            if (mark.encoding == text_state::utf16 && mark.byte_order == text_state::little_endian)
                state_.set(text_state::utf32_mark_possible, text_state::utf32_mark_possible);
            return {step::nothing, 0, mark.length};
        }
        state_.set(text_state::mark_mask, text_state::mark_absent);
        return {step::character};
    }

    // Without a mark: UTF-8 as soon as a valid multi-byte sequence shows, the ANSI code page as soon as
    // something is not UTF-8; undecided while both readings agree.
    step detect_character(const unsigned char* bytes, std::size_t size)
    {
        const decoded utf8 = details::decode_utf8_strict(bytes, size);
        if (utf8.status == decoded::need_more)
            return {step::need_more};
        if (utf8.status == decoded::done && utf8.length > 1) {
            state_.set(text_state::encoding_mask, text_state::utf8);
            return from_decoded(utf8);
        }
        const step ansi = decode_ansi(bytes, size);
        if (ansi.kind == step::need_more)
            return ansi;
        if (utf8.status == decoded::done) {
            if (ansi.code_point == utf8.code_point && ansi.length == utf8.length)
                return from_decoded(utf8);
            if (ansi.code_point == replacement_character) {
                state_.set(text_state::encoding_mask, text_state::utf8);
                return from_decoded(utf8);
            }
        }
        state_.set(text_state::encoding_mask, text_state::ansi);
        return ansi;
    }

    // The ANSI facet gets one byte, then two, then more, until it makes a character.
    step decode_ansi(const unsigned char* bytes, std::size_t size)
    {
        const auto* narrow = reinterpret_cast<const char*>(bytes);
        const std::size_t longest = static_cast<std::size_t>(std::max(1, ansi_.max_length()));
        for (std::size_t length = 1; length <= size; ++length) {
            std::mbstate_t state{};
            const char* narrow_next = narrow;
            wchar_t units[2];
            wchar_t* units_next = units;
            const auto result = ansi_.in(state, narrow, narrow + length, narrow_next, units, units + 2, units_next);
            if (result == std::codecvt_base::error)
                break;
            if (units_next != units) {
                const std::size_t consumed = std::max<std::ptrdiff_t>(1, narrow_next - narrow);
                if (units_next - units == 2 && details::is_high_surrogate(units[0]) &&
                    details::is_low_surrogate(units[1]))
                    return {step::character, details::combine_surrogates(units[0], units[1]), consumed};
                const char32_t unit = static_cast<char16_t>(units[0]);
                return {step::character, details::is_surrogate(unit) ? replacement_character : unit, consumed};
            }
            if (length >= longest)
                break;
            if (length == size)
                return {step::need_more};
        }
        return {step::character, replacement_character, 1};
    }

    step decode_utf16(const unsigned char* bytes, std::size_t size)
    {
        if (state_.has(text_state::utf32_mark_possible)) {
            if (size < 2)
                return {step::need_more};
            state_.set(text_state::utf32_mark_possible, 0);
            if (bytes[0] == 0 && bytes[1] == 0) {
                state_.set(text_state::encoding_mask, text_state::utf32);
                return {step::nothing, 0, 2};
            }
        }
        return from_decoded(details::decode_utf16(bytes, size, resolve_big_endian(state_, mode_)));
    }

    // CR LF, LF and a lone CR are each one line feed, unless the mode names LF or CR: then every CR and
    // every LF is one.
    step line_end(step s)
    {
        const char32_t c = s.code_point;
        if (mode_.single_line_end()) {
            if (c == carriage_return || c == line_feed) {
                state_.record_line_end(c == line_feed ? text_state::lf : text_state::cr);
                s.code_point = line_feed;
            }
            return s;
        }
        if (state_.has(text_state::cr_pending)) {
            state_.set(text_state::cr_pending, 0);
            if (c == line_feed) {
                state_.record_line_end(text_state::crlf);
                return {step::nothing, 0, s.length};
            }
            state_.record_line_end(text_state::cr);
        }
        if (c == carriage_return) {
            state_.set(text_state::cr_pending, text_state::cr_pending);
            s.code_point = line_feed;
        } else if (c == line_feed) {
            state_.record_line_end(text_state::lf);
        }
        return s;
    }

    const text_mode mode_;
    const std::codecvt<wchar_t, char, std::mbstate_t>& ansi_;
    text_state& state_;
};

} // namespace

codecvt<wchar_t>::result codecvt<wchar_t>::do_in(state_type& mbstate, const char* from, const char* from_end,
                                                 const char*& from_next, wchar_t* to, wchar_t* to_end,
                                                 wchar_t*& to_next) const
{
    static_assert(sizeof(wchar_t) == 2, "wide characters are UTF-16 units");
    text_state state = text_state::load(mbstate);
    reader input(*this, state);
    const auto* in = reinterpret_cast<const unsigned char*>(from);
    const auto* const in_end = reinterpret_cast<const unsigned char*>(from_end);
    wchar_t* out = to;
    result outcome = ok;
    for (;;) {
        if (state.has(text_state::half_pending)) {
            if (out == to_end) {
                outcome = partial;
                break;
            }
            *out++ = static_cast<wchar_t>(state.held());
            state.drop_held();
            continue;
        }
        if (in == in_end)
            break;
        if (out == to_end) {
            outcome = partial;
            break;
        }
        const text_state before = state;
        const step s = input.next(in, static_cast<std::size_t>(in_end - in));
        if (s.kind == step::need_more) {
            state = before;
            outcome = partial;
            break;
        }
        in += s.length;
        if (s.kind == step::nothing)
            continue;
        if (s.code_point < 0x10000) {
            *out++ = static_cast<wchar_t>(s.code_point);
            continue;
        }
        // A supplementary character whose low half does not fit waits in the state for the next call.
        const char32_t offset = s.code_point - 0x10000;
        *out++ = static_cast<wchar_t>(0xD800 + (offset >> 10));
        const auto low = static_cast<wchar_t>(0xDC00 + (offset & 0x3FF));
        if (out != to_end)
            *out++ = low;
        else
            state.hold(low);
    }
    state.store(mbstate);
    from_next = reinterpret_cast<const char*>(in);
    to_next = out;
    return outcome;
}

} // namespace mv::txtf
