// The text-file streams on real files: exact bytes written, files of every encoding read back, and
// files cut off inside a character.

#include "system/txtf_stream.hpp"

#include "support/test_support.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using mv::txtf::text_mode;
using namespace std::string_literals;

namespace {

std::vector<std::wstring> read_lines(const std::wstring& path)
{
    mv::txtf::wifstream in(path);
    EXPECT_TRUE(in.is_open());
    std::vector<std::wstring> lines;
    for (std::wstring line; std::getline(in, line);)
        lines.push_back(line);
    EXPECT_TRUE(in.eof());
    EXPECT_FALSE(in.bad());
    return lines;
}

// Many lines, so that characters and line ends fall on the file buffer's boundaries.
std::vector<std::wstring> sample_lines()
{
    std::vector<std::wstring> lines;
    for (int i = 0; i < 2000; ++i)
        lines.push_back(L"line " + std::to_wstring(i) + std::wstring(i % 7, L'\u00e9') + L"\U0001F600\u4e2d" +
                        std::wstring(i % 3, L'x'));
    return lines;
}

} // namespace

TEST(txtf_stream, writes_utf16_little_endian_with_mark_and_crlf)
{
    const test_support::temp_folder folder;
    {
        mv::txtf::wofstream out(folder / L"a.txt");
        ASSERT_TRUE(out.is_open());
        out << L"a\n";
    }
    EXPECT_EQ(test_support::read_bytes(folder / L"a.txt"), "\xFF\xFE" "a\0\r\0\n\0"s);
    {
        mv::txtf::wofstream out(folder / L"empty.txt");
        ASSERT_TRUE(out);
    }
    EXPECT_EQ(test_support::read_bytes(folder / L"empty.txt"), "");
}

TEST(txtf_stream, open_failures_are_stream_state)
{
    const test_support::temp_folder folder;
    mv::txtf::wofstream out(folder / L"missing\\a.txt");
    EXPECT_FALSE(out);
    EXPECT_FALSE(out.is_open());
    mv::txtf::wifstream in(folder / L"absent.txt");
    EXPECT_FALSE(in);
    EXPECT_FALSE(in.is_open());
}

TEST(txtf_stream, lone_high_surrogate_at_the_end_fails_the_close)
{
    const test_support::temp_folder folder;
    mv::txtf::wofstream out(folder / L"a.txt");
    out << L"a\xD83D";
    out.close();
    EXPECT_TRUE(out.fail());
}

TEST(txtf_stream, round_trip_in_every_utf_encoding)
{
    const test_support::temp_folder folder;
    const std::vector<std::wstring> lines = sample_lines();
    struct {
        std::uint32_t mode;
        std::string mark;
    } const cases[] = {
        {text_mode::utf8, "\xEF\xBB\xBF"},
        {text_mode::utf16 | text_mode::big_endian, "\xFE\xFF"},
        {text_mode::utf32, "\xFF\xFE\0\0"s},
        {text_mode::utf32 | text_mode::big_endian | text_mode::lf, "\0\0\xFE\xFF"s},
    };
    for (const auto& c : cases) {
        const std::wstring path = folder / (L"mode" + std::to_wstring(c.mode) + L".txt");
        {
            std::wofstream out(path.c_str(), std::ios::binary);
            out.imbue(std::locale(out.getloc(), new mv::txtf::codecvt<wchar_t>(text_mode{c.mode}, out.getloc())));
            for (const std::wstring& line : lines)
                out << line << L'\n';
            ASSERT_TRUE(out.flush());
        }
        EXPECT_EQ(test_support::read_bytes(path).substr(0, c.mark.size()), c.mark) << "mode " << c.mode;
        EXPECT_EQ(read_lines(path), lines) << "mode " << c.mode;
    }
}

TEST(txtf_stream, ansi_and_utf8_files_without_mark)
{
    const test_support::temp_folder folder;
    if (::GetACP() != 1252)
        GTEST_SKIP() << "the ANSI code page is not 1252";
    test_support::write_bytes(folder / L"ansi.txt", "caf\xE9\r\n\x80 sign\rlast");
    EXPECT_EQ(read_lines(folder / L"ansi.txt"), (std::vector<std::wstring>{L"caf\u00e9", L"\u20ac sign", L"last"}));
    test_support::write_bytes(folder / L"utf8.txt", "first\ncaf\xC3\xA9\n");
    EXPECT_EQ(read_lines(folder / L"utf8.txt"), (std::vector<std::wstring>{L"first", L"caf\u00e9"}));
    test_support::write_bytes(folder / L"mark.txt", "\xFF\xFE");
    EXPECT_TRUE(read_lines(folder / L"mark.txt").empty());
}

// At the end of the file the facet cannot know that no more bytes come, so it waits; the file buffer
// then reports the incomplete character as a failure, which the stream turns into badbit. Everything
// before the cut is delivered.
TEST(txtf_stream, file_cut_inside_a_character_delivers_the_text_before_the_cut)
{
    const test_support::temp_folder folder;
    struct {
        std::string bytes;
        std::vector<std::wstring> lines;
    } const cases[] = {
        {"one\nabc\xE2", {L"one", L"abc"}},
        {"\xEF\xBB\xBF" "one\r\nab\xE2\x82", {L"one", L"ab"}},
        {"\xFF\xFE" "a\0\n\0b\0c"s, {L"a", L"b"}},
        {"\0\0\xFE\xFF\0\0\0a\0\0"s, {L"a"}},
    };
    for (const auto& c : cases) {
        test_support::write_bytes(folder / L"cut.txt", c.bytes);
        mv::txtf::wifstream in(folder / L"cut.txt");
        std::vector<std::wstring> lines;
        std::wstring line;
        while (true) {
            ASSERT_NO_THROW(std::getline(in, line));
            if (!in.bad() || !line.empty())
                lines.push_back(line);
            if (!in)
                break;
        }
        EXPECT_TRUE(in.bad());
        EXPECT_EQ(lines, c.lines);
    }
}

TEST(txtf_stream, position_can_be_saved_and_restored)
{
    const test_support::temp_folder folder;
    const std::wstring path = folder / L"seek.txt";
    const std::vector<std::wstring> lines = sample_lines();
    {
        mv::txtf::wofstream out(path);
        for (const std::wstring& line : lines)
            out << line << L'\n';
    }
    mv::txtf::wifstream in(path);
    std::wstring line;
    for (int i = 0; i < 701; ++i)
        std::getline(in, line);
    const auto position = in.tellg();
    ASSERT_NE(position, std::wifstream::pos_type(-1));
    std::vector<std::wstring> first;
    for (int i = 0; i < 5 && std::getline(in, line); ++i)
        first.push_back(line);
    in.seekg(position);
    std::vector<std::wstring> again;
    for (int i = 0; i < 5 && std::getline(in, line); ++i)
        again.push_back(line);
    EXPECT_EQ(again, first);
    EXPECT_EQ(first, std::vector<std::wstring>(lines.begin() + 701, lines.begin() + 706));
}

TEST(txtf_stream, facet_already_in_the_locale_is_kept)
{
    const test_support::temp_folder folder;
    const std::locale previous = std::locale::global(
        std::locale(std::locale::classic(),
                    new mv::txtf::codecvt<wchar_t>(text_mode{text_mode::utf8 | text_mode::lf}, std::locale::classic())));
    {
        mv::txtf::wofstream out(folder / L"a.txt");
        out << L"\u00e9\n";
    }
    std::locale::global(previous);
    EXPECT_EQ(test_support::read_bytes(folder / L"a.txt"), "\xEF\xBB\xBF\xC3\xA9\n");
}
