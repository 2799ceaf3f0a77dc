// Reading through the text-file facet: marks, detection, decoders, line ends and supplementary characters.

#include "system/txtf_codecvt.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

using mv::txtf::text_mode;
using mv::txtf::text_state;
using namespace std::string_view_literals;

namespace {

struct reading {
    std::wstring text;
    std::codecvt_base::result result;
    std::size_t consumed;
    text_state state;
};

reading read(const mv::txtf::codecvt<wchar_t>& facet, std::string_view bytes, std::size_t room = 64,
             text_state start = {})
{
    std::mbstate_t mb{};
    start.store(mb);
    std::wstring out(room, L'\0');
    const char* next = nullptr;
    wchar_t* out_next = nullptr;
    const auto result =
        facet.in(mb, bytes.data(), bytes.data() + bytes.size(), next, out.data(), out.data() + room, out_next);
    return {std::wstring(out.data(), out_next), result, static_cast<std::size_t>(next - bytes.data()),
            text_state::load(mb)};
}

// Facets read the ANSI code page 1252 whatever the machine's is.
mv::txtf::codecvt<wchar_t> facet(std::uint32_t mode = 0)
{
    return {text_mode{mode}, std::locale::classic(), 1252, 0};
}

} // namespace

TEST(txtf_input, every_mark_selects_its_encoding_and_gives_no_character)
{
    struct {
        std::string_view bytes;
        std::uint32_t encoding;
        std::uint32_t byte_order;
    } const cases[] = {
        {"\xEF\xBB\xBF" "A\xC3\xA9", text_state::utf8, 0},
        {"\xFF\xFE" "A\0\xE9\0"sv, text_state::utf16, text_state::little_endian},
        {"\xFE\xFF" "\0A\0\xE9"sv, text_state::utf16, text_state::big_endian},
        {"\xFF\xFE\0\0" "A\0\0\0\xE9\0\0\0"sv, text_state::utf32, text_state::little_endian},
        {"\0\0\xFE\xFF" "\0\0\0A\0\0\0\xE9"sv, text_state::utf32, text_state::big_endian},
    };
    const auto f = facet();
    for (const auto& c : cases) {
        const reading r = read(f, c.bytes);
        EXPECT_EQ(r.text, L"A\u00e9") << "encoding " << c.encoding;
        EXPECT_EQ(r.result, std::codecvt_base::ok);
        EXPECT_EQ(r.consumed, c.bytes.size());
        EXPECT_EQ(r.state.get(text_state::encoding_mask), c.encoding);
        EXPECT_EQ(r.state.get(text_state::byte_order_mask), c.byte_order);
        EXPECT_EQ(r.state.get(text_state::mark_mask), text_state::mark_present);
    }
}

TEST(txtf_input, a_file_holding_only_the_utf16_mark_is_empty_text)
{
    const auto f = facet();
    const reading mark = read(f, "\xFF\xFE");
    EXPECT_EQ(mark.result, std::codecvt_base::ok);
    EXPECT_EQ(mark.consumed, 2u);
    EXPECT_TRUE(mark.text.empty());
    // 00 00 arriving later still turns it into the UTF-32 mark.
    const reading rest = read(f, "\0\0B\0\0\0"sv, 64, mark.state);
    EXPECT_EQ(rest.text, L"B");
    EXPECT_EQ(rest.state.get(text_state::encoding_mask), text_state::utf32);
}

TEST(txtf_input, without_mark_the_first_non_ascii_character_decides)
{
    const auto f = facet();
    const reading ascii = read(f, "plain text");
    EXPECT_EQ(ascii.text, L"plain text");
    EXPECT_EQ(ascii.state.get(text_state::encoding_mask), text_state::undecided);
    EXPECT_EQ(ascii.state.get(text_state::mark_mask), text_state::mark_absent);

    const reading utf8 = read(f, "caf\xC3\xA9 \xE9!");
    EXPECT_EQ(utf8.text, L"caf\u00e9 \uFFFD!");
    EXPECT_EQ(utf8.state.get(text_state::encoding_mask), text_state::utf8);

    const reading ansi = read(f, "caf\xE9 \xC3\xA9 \x80");
    EXPECT_EQ(ansi.text, L"caf\u00e9 \u00c3\u00a9 \u20ac");
    EXPECT_EQ(ansi.state.get(text_state::encoding_mask), text_state::ansi);

    EXPECT_EQ(read(f, "\x80").text, L"\u20ac");
    // Without a mark an encoded surrogate pair is not valid UTF-8.
    EXPECT_EQ(read(f, "\xED\xA0\x80").text, L"\u00ed\u00a0\u20ac");
}

TEST(txtf_input, line_ends)
{
    const auto standard = facet();
    const reading mixed = read(standard, "a\r\nb\nc\rd\r");
    EXPECT_EQ(mixed.text, L"a\nb\nc\nd\n");
    EXPECT_EQ(mixed.state.get(text_state::line_end_mask), text_state::mixed);
    EXPECT_EQ(read(standard, "a\r\n\r\nb").state.get(text_state::line_end_mask), text_state::crlf);
    EXPECT_EQ(read(standard, "a\r\rb").text, L"a\n\nb");
    EXPECT_EQ(read(standard, "a\r\rb").state.get(text_state::line_end_mask), text_state::cr);

    // The LF of a CR LF split between two calls is still swallowed.
    const reading first = read(standard, "a\r");
    EXPECT_EQ(read(standard, "\nb", 64, first.state).text, L"b");

    for (std::uint32_t mode : {text_mode::lf, text_mode::cr})
        EXPECT_EQ(read(facet(mode), "a\r\nb\rc").text, L"a\n\nb\nc");
}

TEST(txtf_input, encoded_surrogate_pair_in_utf8)
{
    EXPECT_EQ(read(facet(text_mode::utf8), "\xED\xA0\x80\xED\xB0\x80").text, L"\xD800\xDC00");
    EXPECT_EQ(read(facet(), "\xEF\xBB\xBF\xED\xA0\x80\xED\xB0\x80").text, L"\xD800\xDC00");
    // The high half alone must wait for what follows it.
    const reading cut = read(facet(text_mode::utf8), "x\xED\xA0\x80\xED");
    EXPECT_EQ(cut.text, L"x");
    EXPECT_EQ(cut.result, std::codecvt_base::partial);
}

TEST(txtf_input, supplementary_character_with_one_free_slot_arrives_in_two_calls)
{
    const auto f = facet(text_mode::utf8);
    const reading high = read(f, "\xF0\x9F\x98\x80" "b", 1);
    EXPECT_EQ(high.text, L"\xD83D");
    EXPECT_EQ(high.result, std::codecvt_base::partial);
    EXPECT_EQ(high.consumed, 4u);
    EXPECT_TRUE(high.state.has(text_state::half_pending));
    const reading low = read(f, "b", 8, high.state);
    EXPECT_EQ(low.text, L"\xDE00" L"b");
    EXPECT_FALSE(low.state.has(text_state::half_pending));
}

TEST(txtf_input, malformed_bytes_become_replacement_characters)
{
    struct {
        std::uint32_t mode;
        std::string_view bytes;
        std::wstring_view text;
    } const cases[] = {
        {text_mode::utf8, "\xE2\x82" "A", L"\uFFFD" L"A"},
        {text_mode::utf8, "\x80\xBF", L"\uFFFD\uFFFD"},
        {text_mode::utf8, "\xC0\x80" "A"sv, L"\0A"sv},
        {text_mode::utf8, "\xF4\x90\x80\x80" "A", L"\uFFFD" L"A"},
        {text_mode::utf8, "\xED\xA0\x80" "A", L"\uFFFD" L"A"},
        {text_mode::utf8, "\xED\xB0\x80\xF8", L"\uFFFD\uFFFD"},
        {text_mode::utf8, "\xEF\xBF\xBE\xEF\xBF\xBF", L"\uFFFD\uFFFD"},
        {text_mode::utf16, "\x00\xD8" "A\0"sv, L"\uFFFD" L"A"},
        {text_mode::utf16, "\x00\xDC\x3D\xD8\x00\xDE"sv, L"\uFFFD\xD83D\xDE00"},
        {text_mode::utf32 | text_mode::big_endian, "\0\x11\0\0\0\0\xD8\0\0\0\0A"sv, L"\uFFFD\uFFFD" L"A"},
    };
    for (const auto& c : cases) {
        const reading r = read(facet(c.mode), c.bytes);
        EXPECT_EQ(r.text, c.text) << "mode " << c.mode;
        EXPECT_EQ(r.consumed, c.bytes.size());
    }
}

TEST(txtf_input, named_utf_encoding_takes_a_leading_mark_unless_told_not_to)
{
    const reading with = read(facet(text_mode::utf16 | text_mode::big_endian), "\xFE\xFF\0A\xFE\xFF"sv);
    EXPECT_EQ(with.text, L"A\uFEFF");
    EXPECT_EQ(with.state.get(text_state::mark_mask), text_state::mark_present);
    const reading without = read(facet(text_mode::utf16 | text_mode::big_endian | text_mode::no_mark), "\xFE\xFF\0A"sv);
    EXPECT_EQ(without.text, L"\uFEFF" L"A");
    EXPECT_EQ(without.state.get(text_state::mark_mask), text_state::mark_absent);
}

TEST(txtf_input, bytes_ending_inside_a_character_wait_with_the_state_unchanged)
{
    const auto utf16 = facet(text_mode::utf16);
    const reading whole = read(utf16, "a\0"sv);
    const reading cut = read(utf16, "a\0b"sv);
    EXPECT_EQ(cut.text, L"a");
    EXPECT_EQ(cut.result, std::codecvt_base::partial);
    EXPECT_EQ(cut.consumed, 2u);
    EXPECT_EQ(cut.state, whole.state);

    const reading undecided = read(facet(), "\xC3");
    EXPECT_EQ(undecided.result, std::codecvt_base::partial);
    EXPECT_EQ(undecided.consumed, 0u);
    EXPECT_EQ(undecided.state, text_state{});
}

TEST(txtf_input, double_byte_ansi_code_page)
{
    if (!::IsValidCodePage(932))
        GTEST_SKIP() << "code page 932 is not installed";
    const mv::txtf::codecvt<wchar_t> f(text_mode{text_mode::ansi}, std::locale::classic(), 932, 0);
    EXPECT_EQ(read(f, "a\x82\xA0" "b").text, L"a\u3042b");
    const reading cut = read(f, "a\x82");
    EXPECT_EQ(cut.text, L"a");
    EXPECT_EQ(cut.result, std::codecvt_base::partial);
    EXPECT_EQ(cut.consumed, 1u);
}
