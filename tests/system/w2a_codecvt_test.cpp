// Conversions through the Windows code pages: the thread's ANSI code page for narrow names, and the
// character-at-a-time facet that the text-file streams use.

#include "system/ansi_codecvt.hpp"
#include "system/w2a_codecvt.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

bool thread_code_page_is_1252()
{
    CPINFOEXW info{};
    return ::GetCPInfoExW(CP_THREAD_ACP, 0, &info) && info.CodePage == 1252;
}

template <typename Facet>
std::wstring widen(const Facet& facet, const std::string& bytes, std::codecvt_base::result& result, std::size_t room = 32)
{
    std::mbstate_t state{};
    std::wstring out(room, L'\0');
    const char* next = nullptr;
    wchar_t* out_next = nullptr;
    result = facet.in(state, bytes.data(), bytes.data() + bytes.size(), next, out.data(), out.data() + room, out_next);
    return std::wstring(out.data(), out_next);
}

} // namespace

TEST(to_narrow, thread_ansi_code_page)
{
    EXPECT_EQ(mv::to_narrow(L""), "");
    const wchar_t* nothing = L"x";
    EXPECT_EQ(mv::to_narrow(nothing, nothing), "");
    if (!thread_code_page_is_1252())
        GTEST_SKIP() << "the thread's ANSI code page is not 1252";
    EXPECT_EQ(mv::to_narrow(L"\u00e9"), "\xE9");
    EXPECT_EQ(mv::to_narrow(L"fr-FR \u20ac"), "fr-FR \x80");
    // Longer than the stack buffer takes.
    EXPECT_EQ(mv::to_narrow(std::wstring(300, L'\u00e9')), std::string(300, '\xE9'));
    // The system chooses the default character for what the code page lacks.
    EXPECT_EQ(mv::to_narrow(L"a\u4e2d"), "a?");
}

TEST(w2a_codecvt, whole_block_conversions)
{
    const mv::details::w2a_codecvt facet;
    EXPECT_EQ(facet.max_length(), 5);
    EXPECT_EQ(facet.encoding(), 0);
    EXPECT_FALSE(facet.always_noconv());
    if (!thread_code_page_is_1252())
        GTEST_SKIP() << "the thread's ANSI code page is not 1252";
    std::codecvt_base::result result{};
    EXPECT_EQ(widen(facet, "\x80" "abc", result), L"\u20ac" L"abc");
    EXPECT_EQ(result, std::codecvt_base::ok);
    EXPECT_EQ(widen(facet, "abcdef", result, 3), L"");
    EXPECT_EQ(result, std::codecvt_base::error);
    std::mbstate_t state{};
    const std::string bytes = "abcdef";
    EXPECT_EQ(facet.length(state, bytes.data(), bytes.data() + bytes.size(), 4), 4);
}

TEST(ansi_codecvt, code_page_1252)
{
    const mv::details::ansi_codecvt facet(1252);
    EXPECT_EQ(facet.max_length(), 1);
    EXPECT_EQ(facet.encoding(), 1);
    std::codecvt_base::result result{};
    EXPECT_EQ(widen(facet, "\x80\xE9\x81", result), L"\u20ac\u00e9\u0081");
    EXPECT_EQ(result, std::codecvt_base::ok);

    const std::wstring text = L"\u20ac\u0100\xD83D";
    std::mbstate_t state{};
    char out[8];
    const wchar_t* next = nullptr;
    char* out_next = nullptr;
    EXPECT_EQ(facet.out(state, text.data(), text.data() + 1, next, out, out + 8, out_next), std::codecvt_base::ok);
    EXPECT_EQ(std::string(out, out_next), "\x80");
    // No best-fit substitute ("A") for a letter the code page lacks.
    EXPECT_EQ(facet.out(state, text.data() + 1, text.data() + 2, next, out, out + 8, out_next),
              std::codecvt_base::error);
    EXPECT_EQ(facet.out(state, text.data() + 2, text.data() + 3, next, out, out + 8, out_next),
              std::codecvt_base::partial);
}
