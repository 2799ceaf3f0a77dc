#pragma once
// The configuration of a text-file conversion (text_mode) and the conversion state of one stream
// direction (text_state), both 32-bit bit fields.

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <initializer_list>

namespace mv::txtf {

struct text_mode {
    // Encoding, bits 0-3.
    static constexpr std::uint32_t encoding_mask = 0x00F;
    static constexpr std::uint32_t automatic = 0x000;
    static constexpr std::uint32_t utf8 = 0x001;
    static constexpr std::uint32_t utf16 = 0x002;
    static constexpr std::uint32_t utf32 = 0x004;
    static constexpr std::uint32_t ansi = 0x008;
    // Byte-order mark, bits 4-5; the default writes and recognises a mark.
    static constexpr std::uint32_t mark_mask = 0x030;
    static constexpr std::uint32_t with_mark = 0x010;
    static constexpr std::uint32_t no_mark = 0x020;
    // Line end, bits 6-8; the default is CR LF.
    static constexpr std::uint32_t line_end_mask = 0x1C0;
    static constexpr std::uint32_t crlf = 0x040;
    static constexpr std::uint32_t lf = 0x080;
    static constexpr std::uint32_t cr = 0x100;
    // Byte order, bits 10-11; the default is little-endian.
    static constexpr std::uint32_t byte_order_mask = 0xC00;
    static constexpr std::uint32_t little_endian = 0x400;
    static constexpr std::uint32_t big_endian = 0x800;

    std::uint32_t bits = 0;

    constexpr std::uint32_t encoding() const { return bits & encoding_mask; }
    constexpr std::uint32_t mark() const { return bits & mark_mask; }
    constexpr std::uint32_t line_end() const { return bits & line_end_mask; }
    constexpr std::uint32_t byte_order() const { return bits & byte_order_mask; }
    constexpr bool without_mark() const { return mark() == no_mark; }
    // LF or CR named explicitly; everything else means CR LF.
    constexpr bool single_line_end() const { return line_end() == lf || line_end() == cr; }

    // Unknown field values become the field's default; the ANSI code page has no mark.
    static constexpr text_mode normalised(std::uint32_t raw)
    {
        const auto keep = [raw](std::uint32_t mask, std::initializer_list<std::uint32_t> known) {
            for (std::uint32_t value : known)
                if ((raw & mask) == value)
                    return value;
            return std::uint32_t{0};
        };
        std::uint32_t bits = keep(encoding_mask, {utf8, utf16, utf32, ansi}) |
                             keep(mark_mask, {with_mark, no_mark}) | keep(line_end_mask, {crlf, lf, cr}) |
                             keep(byte_order_mask, {little_endian, big_endian});
        if ((bits & encoding_mask) == ansi)
            bits = (bits & ~mark_mask) | no_mark;
        return text_mode{bits};
    }
};

// What the first characters of a stream decided, so that the rest of the stream follows it.
struct text_state {
    // Resolved encoding, bits 0-2.
    static constexpr std::uint32_t encoding_mask = 0x7;
    static constexpr std::uint32_t undecided = 0;
    static constexpr std::uint32_t ansi = 1;
    static constexpr std::uint32_t utf8 = 2;
    static constexpr std::uint32_t utf16 = 3;
    static constexpr std::uint32_t utf32 = 4;
    // Byte-order mark, bits 3-4.
    static constexpr std::uint32_t mark_mask = 0x18;
    static constexpr std::uint32_t mark_present = 0x08;
    static constexpr std::uint32_t mark_absent = 0x10;
    // Line end seen, bits 5-7.
    static constexpr std::uint32_t line_end_mask = 0xE0;
    static constexpr std::uint32_t crlf = 0x20;
    static constexpr std::uint32_t lf = 0x40;
    static constexpr std::uint32_t cr = 0x60;
    static constexpr std::uint32_t mixed = 0x80;
    // Byte order, bits 8-9.
    static constexpr std::uint32_t byte_order_mask = 0x300;
    static constexpr std::uint32_t little_endian = 0x100;
    static constexpr std::uint32_t big_endian = 0x200;
    // One UTF-16 half held between calls (bit 10) and its value (bits 12-29).
    static constexpr std::uint32_t half_pending = 0x400;
    static constexpr std::uint32_t held_shift = 12;
    static constexpr std::uint32_t held_mask = 0x3FFFF000;
    // Input: the last character was a CR, delivered as a line feed.
    static constexpr std::uint32_t cr_pending = 0x40000000;
    // Input: FF FE was taken as the UTF-16 mark, but 00 00 next would make it the UTF-32 one.
    static constexpr std::uint32_t utf32_mark_possible = 0x80000000;

    std::uint32_t bits = 0;

    constexpr std::uint32_t get(std::uint32_t mask) const { return bits & mask; }
    constexpr void set(std::uint32_t mask, std::uint32_t value) { bits = (bits & ~mask) | (value & mask); }
    constexpr bool has(std::uint32_t flag) const { return (bits & flag) != 0; }

    constexpr void hold(std::uint32_t half)
    {
        set(held_mask | half_pending, half << held_shift | half_pending);
    }
    constexpr std::uint32_t held() const { return get(held_mask) >> held_shift; }
    constexpr void drop_held() { set(held_mask | half_pending, 0); }

    // Records a line end; a second style after a first makes the stream mixed.
    constexpr void record_line_end(std::uint32_t style)
    {
        const std::uint32_t seen = get(line_end_mask);
        set(line_end_mask, seen == 0 || seen == style ? style : mixed);
    }

    // The state lives in the stream's mbstate_t (a 32-bit integer with MinGW's run-time).
    static text_state load(const std::mbstate_t& state)
    {
        static_assert(sizeof(std::mbstate_t) >= sizeof(std::uint32_t));
        text_state result;
        std::memcpy(&result.bits, &state, sizeof(result.bits));
        return result;
    }
    void store(std::mbstate_t& state) const { std::memcpy(&state, &bits, sizeof(bits)); }

    friend constexpr bool operator==(text_state, text_state) = default;
};

// The state's value for the encoding that a mode names; undecided for automatic.
constexpr std::uint32_t named_encoding(text_mode mode)
{
    switch (mode.encoding()) {
    case text_mode::utf8:
        return text_state::utf8;
    case text_mode::utf16:
        return text_state::utf16;
    case text_mode::utf32:
        return text_state::utf32;
    case text_mode::ansi:
        return text_state::ansi;
    default:
        return text_state::undecided;
    }
}

// The byte order the stream has, else the mode's (little-endian by default), which the stream then keeps.
constexpr bool resolve_big_endian(text_state& state, text_mode mode)
{
    std::uint32_t order = state.get(text_state::byte_order_mask);
    if (order == 0) {
        order = mode.byte_order() == text_mode::big_endian ? text_state::big_endian : text_state::little_endian;
        state.set(text_state::byte_order_mask, order);
    }
    return order == text_state::big_endian;
}

} // namespace mv::txtf
