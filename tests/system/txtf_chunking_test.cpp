// The facet must give the same text and the same final state however a file buffer splits the data,
// and must survive arbitrary bytes.

#include "system/txtf_codecvt.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

using mv::txtf::text_mode;
using mv::txtf::text_state;
using namespace std::string_view_literals;

namespace {

using facet_type = mv::txtf::codecvt<wchar_t>;
// Gives the size of the next piece of input and of the room for output.
using splitter = std::function<std::size_t()>;

facet_type make_facet(std::uint32_t mode) { return {text_mode{mode}, std::locale::classic(), 1252, 0}; }

struct conversion {
    std::wstring text;
    std::string bytes;
    std::size_t left = 0; // input never consumed
    text_state state;
};

// Feeds bytes as a file buffer does: unconsumed bytes stay in front of the next piece.
conversion decode(const facet_type& facet, std::string_view bytes, const splitter& input, const splitter& room)
{
    conversion c;
    std::mbstate_t mb{};
    std::string pending;
    std::size_t fed = 0;
    for (;;) {
        const std::size_t piece = std::min(input(), bytes.size() - fed);
        pending.append(bytes.substr(fed, piece));
        fed += piece;
        std::wstring out(room(), L'\0');
        const char* next = nullptr;
        wchar_t* out_next = nullptr;
        const auto result = facet.in(mb, pending.data(), pending.data() + pending.size(), next, out.data(),
                                     out.data() + out.size(), out_next);
        EXPECT_NE(result, std::codecvt_base::error);
        c.text.append(out.data(), out_next);
        const auto used = static_cast<std::size_t>(next - pending.data());
        pending.erase(0, used);
        if (fed == bytes.size() && used == 0 && out_next == out.data() && !text_state::load(mb).has(text_state::half_pending))
            break;
    }
    c.left = pending.size();
    c.state = text_state::load(mb);
    return c;
}

conversion encode(const facet_type& facet, std::wstring_view text, const splitter& input, const splitter& room)
{
    conversion c;
    std::mbstate_t mb{};
    std::size_t done = 0;
    std::size_t extra_room = 0; // a group larger than the room gets more room next time, as a buffer flush does
    while (done < text.size()) {
        const std::size_t piece = std::min(input(), text.size() - done);
        std::string out(room() + extra_room, '\0');
        const wchar_t* next = nullptr;
        char* out_next = nullptr;
        const auto result = facet.out(mb, text.data() + done, text.data() + done + piece, next, out.data(),
                                      out.data() + out.size(), out_next);
        EXPECT_NE(result, std::codecvt_base::error);
        c.bytes.append(out.data(), out_next);
        const auto used = static_cast<std::size_t>(next - (text.data() + done));
        extra_room = used == 0 && out_next == out.data() ? extra_room + 8 : 0;
        done += used;
    }
    c.state = text_state::load(mb);
    return c;
}

splitter fixed(std::size_t size)
{
    return [size] { return size; };
}

splitter random_sizes(std::mt19937& random, std::size_t largest)
{
    return [&random, largest] { return std::uniform_int_distribution<std::size_t>(1, largest)(random); };
}

struct sample {
    std::uint32_t mode;
    std::string_view bytes;
};

// Every kind of decision and every decoder, with line ends and supplementary characters.
const sample samples[] = {
    {text_mode::automatic, "\xEF\xBB\xBF" "a\r\nb\xC3\xA9\xF0\x9F\x98\x80\r\rc\xED\xA0\x80\xED\xB0\x80\n\xE2\x82" "x\xFF"},
    {text_mode::automatic, "\xFF\xFE" "a\0\r\0\n\0\x3D\xD8\x00\xDE\x00\xDC\r\0"sv},
    {text_mode::automatic, "\xFE\xFF\0a\xD8\x3D\xDE\x00\0\n"sv},
    {text_mode::automatic, "\xFF\xFE\0\0" "a\0\0\0\x00\xF6\x01\0\r\0\0\0"sv},
    {text_mode::automatic, "\0\0\xFE\xFF\0\0\0a\0\x01\xF6\x00\0\x11\0\0"sv},
    {text_mode::automatic, "plain\r\nthen caf\xC3\xA9\r\xE9 and \xF0\x9F\x98\x80\n"},
    {text_mode::automatic, "plain\r\nthen caf\xE9\r\n\xC3\xA9 \x80\x81"},
    {text_mode::lf, "a\r\nb\rc\n\r"},
    {text_mode::utf8, "\xEF\xBB\xBF\xEF\xBB\xBF" "a\xC0\x80\xF4\x90\x80\x80\xED\xA0\x80" "b\xF0\x9F"},
    {text_mode::utf16 | text_mode::big_endian, "\xFE\xFF\xD8\x3D\xDE\x00\xD8\x00\0a\xFF\xFE"sv},
};

const std::wstring_view texts[] = {
    L"a\nb\r\nc\rd\U0001F600\u00e9\xD800x\xDC00\uFFFE\n",
    L"x\xD83D",
    L"\r\n\r\n\U0001F600\U0001F600e",
};

const std::uint32_t output_modes[] = {
    text_mode::automatic,
    text_mode::utf8,
    text_mode::utf8 | text_mode::no_mark | text_mode::lf,
    text_mode::utf16,
    text_mode::utf16 | text_mode::big_endian | text_mode::cr,
    text_mode::utf32,
    text_mode::utf32 | text_mode::big_endian | text_mode::no_mark,
};

void expect_same(const conversion& split, const conversion& whole, const char* how)
{
    EXPECT_EQ(split.text, whole.text) << how;
    EXPECT_EQ(split.bytes, whole.bytes) << how;
    EXPECT_EQ(split.left, whole.left) << how;
    EXPECT_EQ(split.state, whole.state) << how;
}

bool well_formed(std::wstring_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF;
        const bool low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
        if (low || (high && (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)))
            return false;
        i += high ? 1 : 0;
    }
    return true;
}

} // namespace

TEST(txtf_chunking, reading_in_any_split_gives_the_same_text_and_state)
{
    std::mt19937 random(20240611);
    for (const sample& s : samples) {
        const facet_type facet = make_facet(s.mode);
        const conversion whole = decode(facet, s.bytes, fixed(s.bytes.size()), fixed(4 * s.bytes.size() + 4));
        EXPECT_TRUE(well_formed(whole.text));
        EXPECT_LT(whole.left, 4u);
        expect_same(decode(facet, s.bytes, fixed(1), fixed(1000)), whole, "one byte at a time");
        expect_same(decode(facet, s.bytes, fixed(1000), fixed(1)), whole, "one character of room at a time");
        for (int round = 0; round < 50; ++round)
            expect_same(decode(facet, s.bytes, random_sizes(random, 7), random_sizes(random, 5)), whole, "random");
    }
}

TEST(txtf_chunking, writing_in_any_split_gives_the_same_bytes_and_state)
{
    std::mt19937 random(7);
    for (const std::uint32_t mode : output_modes) {
        const facet_type facet = make_facet(mode);
        for (const std::wstring_view text : texts) {
            const conversion whole = encode(facet, text, fixed(text.size()), fixed(64 * text.size()));
            EXPECT_FALSE(whole.bytes.empty());
            expect_same(encode(facet, text, fixed(1), fixed(64)), whole, "one character at a time");
            expect_same(encode(facet, text, fixed(100), fixed(1)), whole, "one byte of room at a time");
            for (int round = 0; round < 50; ++round)
                expect_same(encode(facet, text, random_sizes(random, 4), random_sizes(random, 13)), whole, "random");
        }
    }
}

TEST(txtf_chunking, random_bytes_decode_without_fault)
{
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> length(0, 48);
    const std::uint32_t modes[] = {text_mode::automatic, text_mode::utf8, text_mode::utf16, text_mode::utf32,
                                   text_mode::ansi};
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(length(random), '\0');
        for (char& b : bytes)
            b = static_cast<char>(byte(random));
        const facet_type facet = make_facet(modes[round % std::size(modes)]);
        const conversion whole = decode(facet, bytes, fixed(bytes.size()), fixed(2 * bytes.size() + 2));
        ASSERT_TRUE(well_formed(whole.text)) << "round " << round;
        ASSERT_LT(whole.left, 6u) << "round " << round;
        if (round % 10 == 0)
            expect_same(decode(facet, bytes, random_sizes(random, 5), random_sizes(random, 3)), whole, "random");
    }
}

// Valid characters mixed with broken pieces: every valid character comes through in order, and each
// broken piece becomes one U+FFFD.
TEST(txtf_chunking, malformed_utf8_loses_nothing_valid)
{
    struct piece {
        std::string_view bytes;
        std::wstring_view text;
    };
    const piece valid[] = {{"a", L"a"}, {"\xC3\xA9", L"\u00e9"}, {"\xE2\x82\xAC", L"\u20ac"},
                           {"\xEF\xBB\xBF", L"\uFEFF"}, {"\xF0\x9F\x98\x80", L"\U0001F600"},
                           {"\xF4\x8F\xBF\xBD", L"\U0010FFFD"}};
    const piece broken[] = {{"\x80", L"\uFFFD"},       {"\xBF", L"\uFFFD"},        {"\xF8", L"\uFFFD"},
                            {"\xC3" "b", L"\uFFFD" L"b"}, {"\xE2\x82" "c", L"\uFFFD" L"c"},
                            {"\xF0\x9F\x98" "d", L"\uFFFD" L"d"}, {"\xED\xA0\x80" "e", L"\uFFFD" L"e"}};
    std::mt19937 random(99);
    const facet_type facet = make_facet(text_mode::utf8 | text_mode::no_mark);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        std::wstring expected;
        for (int i = 0; i < 12; ++i) {
            const bool is_broken = random() % 4 == 0;
            const piece& p = is_broken ? broken[random() % std::size(broken)] : valid[random() % std::size(valid)];
            bytes += p.bytes;
            expected += p.text;
        }
        const conversion got = decode(facet, bytes, fixed(bytes.size()), fixed(bytes.size() + 1));
        ASSERT_EQ(got.text, expected) << "round " << round;
        ASSERT_EQ(got.left, 0u);
    }
}
