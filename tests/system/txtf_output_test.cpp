// Writing through the text-file facet, and the facet's size properties.

#include "system/txtf_codecvt.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

using mv::txtf::text_mode;
using mv::txtf::text_state;
using namespace std::string_literals;

namespace {

struct writing {
    std::string bytes;
    std::codecvt_base::result result;
    std::size_t consumed;
    text_state state;
};

writing write(const mv::txtf::codecvt<wchar_t>& facet, std::wstring_view text, std::size_t room = 128,
              text_state start = {})
{
    std::mbstate_t mb{};
    start.store(mb);
    std::string out(room, '\0');
    const wchar_t* next = nullptr;
    char* out_next = nullptr;
    const auto result = facet.out(mb, text.data(), text.data() + text.size(), next, out.data(), out.data() + room, out_next);
    return {std::string(out.data(), out_next), result, static_cast<std::size_t>(next - text.data()),
            text_state::load(mb)};
}

mv::txtf::codecvt<wchar_t> facet(std::uint32_t mode)
{
    return {text_mode{mode}, std::locale::classic(), 1252, 0};
}

std::codecvt_base::result unshift(const mv::txtf::codecvt<wchar_t>& facet, text_state state)
{
    std::mbstate_t mb{};
    state.store(mb);
    char buffer[8];
    char* next = nullptr;
    const auto result = facet.unshift(mb, buffer, buffer + sizeof buffer, next);
    EXPECT_EQ(next, buffer) << "unshift wrote bytes";
    return result;
}

} // namespace

TEST(txtf_output, utf16_with_mark_and_crlf)
{
    const auto utf16 = facet(text_mode::utf16);
    EXPECT_EQ(write(utf16, L"a\n").bytes, "\xFF\xFE" "a\0\r\0\n\0"s);
    EXPECT_EQ(write(utf16, L"a\r\nb").bytes, "\xFF\xFE" "a\0\r\0\n\0b\0"s);
    EXPECT_EQ(write(utf16, L"a\rb").bytes, "\xFF\xFE" "a\0b\0"s);
    const writing nothing = write(utf16, L"");
    EXPECT_EQ(nothing.result, std::codecvt_base::ok);
    EXPECT_TRUE(nothing.bytes.empty());
    EXPECT_EQ(nothing.state, text_state{});
}

TEST(txtf_output, other_encodings_byte_orders_and_line_ends)
{
    EXPECT_EQ(write(facet(text_mode::utf8 | text_mode::lf), L"\u00e9\n").bytes, "\xEF\xBB\xBF\xC3\xA9\n");
    EXPECT_EQ(write(facet(text_mode::utf8 | text_mode::no_mark | text_mode::cr), L"a\nb").bytes, "a\rb");
    EXPECT_EQ(write(facet(text_mode::utf16 | text_mode::big_endian), L"\U0001F600").bytes,
              "\xFE\xFF\xD8\x3D\xDE\x00"s);
    EXPECT_EQ(write(facet(text_mode::utf32), L"\U0001F600\n").bytes,
              "\xFF\xFE\0\0\x00\xF6\x01\0\r\0\0\0\n\0\0\0"s);
    EXPECT_EQ(write(facet(text_mode::utf32 | text_mode::big_endian | text_mode::no_mark), L"A").bytes, "\0\0\0A"s);
    // A stream that has seen LF line ends keeps writing them.
    text_state lf_seen;
    lf_seen.set(text_state::line_end_mask, text_state::lf);
    EXPECT_EQ(write(facet(text_mode::utf8 | text_mode::no_mark), L"a\n", 128, lf_seen).bytes, "a\n");
}

TEST(txtf_output, automatic_mode_writes_the_ansi_code_page)
{
    auto ansi = facet(text_mode::automatic);
    const writing w = write(ansi, L"caf\u00e9 \u20ac\n");
    EXPECT_EQ(w.bytes, "caf\xE9 \x80\r\n");
    EXPECT_EQ(w.state.get(text_state::encoding_mask), text_state::ansi);
    EXPECT_EQ(w.state.get(text_state::mark_mask), 0u);
    EXPECT_EQ(write(ansi, L"\u0100\u4e2d\U0001F600\xDC00.").bytes, "????.");
    ansi.replacement = 0;
    EXPECT_EQ(write(ansi, L"\u0100.\u4e2d").bytes, ".");
}

TEST(txtf_output, surrogate_halves)
{
    const auto utf16 = facet(text_mode::utf16 | text_mode::no_mark);
    const writing high = write(utf16, L"a\xD83D");
    EXPECT_EQ(high.bytes, "a\0"s);
    EXPECT_EQ(high.result, std::codecvt_base::partial);
    EXPECT_EQ(high.consumed, 2u);
    EXPECT_EQ(unshift(utf16, high.state), std::codecvt_base::error);
    const writing low = write(utf16, L"\xDE00", 128, high.state);
    EXPECT_EQ(low.bytes, "\x3D\xD8\x00\xDE"s);
    EXPECT_EQ(low.result, std::codecvt_base::ok);
    EXPECT_EQ(unshift(utf16, low.state), std::codecvt_base::ok);

    // The held half followed by something else, and halves without partners, are U+FFFD.
    EXPECT_EQ(write(utf16, L"b", 128, high.state).bytes, "\xFD\xFF" "b\0"s);
    EXPECT_EQ(write(utf16, L"\xDC00\xD800" L"c").bytes, "\xFD\xFF\xFD\xFF" "c\0"s);
}

TEST(txtf_output, group_that_does_not_fit_is_not_started)
{
    const auto utf16 = facet(text_mode::utf16);
    const writing none = write(utf16, L"ab", 3);
    EXPECT_EQ(none.result, std::codecvt_base::partial);
    EXPECT_TRUE(none.bytes.empty());
    EXPECT_EQ(none.consumed, 0u);
    EXPECT_EQ(none.state, text_state{});
    const writing one = write(utf16, L"a\n", 7);
    EXPECT_EQ(one.bytes, "\xFF\xFE" "a\0"s);
    EXPECT_EQ(one.consumed, 1u);
    EXPECT_EQ(one.state.get(text_state::line_end_mask), 0u);
}

TEST(txtf_codecvt, max_length_and_encoding)
{
    struct {
        std::uint32_t mode;
        int max_length;
        int encoding;
    } const cases[] = {
        {text_mode::utf8, 9, -1},
        {text_mode::utf8 | text_mode::no_mark, 6, -1},
        {text_mode::utf8 | text_mode::no_mark | text_mode::crlf, 6, 0},
        {text_mode::utf16, 6, -1},
        {text_mode::utf16 | text_mode::no_mark | text_mode::lf, 4, 0},
        {text_mode::utf32, 12, -1},
        {text_mode::utf32 | text_mode::lf, 8, -1},
        {text_mode::utf32 | text_mode::no_mark, 8, -1},
        {text_mode::utf32 | text_mode::no_mark | text_mode::cr, 4, 4},
        {text_mode::ansi, 2, -1},
        {text_mode::ansi | text_mode::lf, 1, 1},
        {text_mode::automatic, 12, -1},
        {text_mode::automatic | text_mode::no_mark, 8, -1},
        {text_mode::automatic | text_mode::lf, 9, -1},
        {text_mode::automatic | text_mode::no_mark | text_mode::cr, 6, 0},
    };
    for (const auto& c : cases) {
        const auto f = facet(c.mode);
        EXPECT_EQ(f.max_length(), c.max_length) << "mode " << c.mode;
        EXPECT_EQ(f.encoding(), c.encoding) << "mode " << c.mode;
        EXPECT_FALSE(f.always_noconv());
    }
}

TEST(txtf_codecvt, mode_is_normalised)
{
    EXPECT_EQ(text_mode::normalised(0x003).bits, 0u);
    EXPECT_EQ(text_mode::normalised(0x030 | text_mode::utf8).bits, text_mode::utf8);
    EXPECT_EQ(text_mode::normalised(0x0C0 | text_mode::big_endian).bits, text_mode::big_endian);
    EXPECT_EQ(text_mode::normalised(0xC00 | text_mode::lf | 0x200).bits, text_mode::lf);
    EXPECT_EQ(text_mode::normalised(text_mode::ansi | text_mode::with_mark).bits, text_mode::ansi | text_mode::no_mark);
    EXPECT_EQ(facet(0xFFFFF002).mode.bits, text_mode::utf16);
}
