#include "engine/destination.hpp"

#include "engine/compress_error.hpp"
#include "startup/strings.hpp"
#include "wizard/error_text.hpp"

#include "support/box_answerer.hpp"

#include <gtest/gtest.h>

#include <knownfolders.h>

#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

using installer::known_folder;
using installer::shell_folder;
using installer::shortcut_folder;

namespace {

constexpr int no_such_csidl = 0x7E;
// No folder has this identifier.
constexpr KNOWNFOLDERID no_such_folder = {0x1b4e28ba, 0x2fa1, 0x41d2, {0x88, 0x3f, 0x00, 0x16, 0xd3, 0xcc, 0xa4, 0x27}};

std::wstring shell_path(int csidl)
{
    wchar_t buffer[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
    return buffer;
}

void expect_unexpected(int csidl, int fallback, bool use_fallback)
{
    try {
        shell_folder(csidl, fallback, use_fallback);
        ADD_FAILURE() << "no error for " << csidl;
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), make_error_code(installer::compress_errc::unexpected));
    }
}

// A lookup that notes how it was asked and knows only some folders.
struct watched_lookup {
    struct call {
        KNOWNFOLDERID id;
        bool show_failure;
    };
    std::vector<call> calls;
    std::vector<KNOWNFOLDERID> missing;

    installer::known_folder_lookup function()
    {
        return [this](const KNOWNFOLDERID& id, bool show_failure) {
            calls.push_back({id, show_failure});
            for (const KNOWNFOLDERID& gone : missing)
                if (gone == id)
                    return std::wstring();
            return std::wstring(L"X:\\known");
        };
    }
    // The number of failures that would have been shown.
    int shown() const
    {
        int count = 0;
        for (const call& c : calls)
            for (const KNOWNFOLDERID& gone : missing)
                count += c.show_failure && gone == c.id;
        return count;
    }
};

} // namespace

TEST(shell_folder, first_lookup_then_fallback)
{
    const std::wstring data = shell_path(CSIDL_COMMON_APPDATA);
    const std::wstring user_data = shell_path(CSIDL_APPDATA);
    ASSERT_FALSE(data.empty());
    ASSERT_FALSE(user_data.empty());
    ASSERT_TRUE(shell_path(no_such_csidl).empty());

    EXPECT_EQ(shell_folder(CSIDL_COMMON_APPDATA, CSIDL_APPDATA, true), data);
    EXPECT_EQ(shell_folder(CSIDL_COMMON_APPDATA, no_such_csidl, false), data);
    EXPECT_EQ(shell_folder(no_such_csidl, CSIDL_APPDATA, true), user_data);
}

TEST(shell_folder, no_folder_is_unexpected)
{
    expect_unexpected(no_such_csidl, CSIDL_APPDATA, false);
    expect_unexpected(no_such_csidl, no_such_csidl, true);
}

TEST(known_folder, answers_the_shells_path)
{
    wchar_t* expected = nullptr;
    ASSERT_EQ(::SHGetKnownFolderPath(FOLDERID_ProgramFiles, 0, nullptr, &expected), S_OK);
    const std::wstring program_files = expected;
    ::CoTaskMemFree(expected);

    test_support::box_answerer answerer(IDOK);
    EXPECT_EQ(known_folder(FOLDERID_ProgramFiles, true), program_files);
    EXPECT_EQ(installer::query_known_folder(FOLDERID_ProgramFiles).status, S_OK);
    EXPECT_TRUE(answerer.boxes().empty());
}

TEST(known_folder, failure_is_shown_once_when_asked)
{
    const HRESULT status = installer::query_known_folder(no_such_folder).status;
    ASSERT_LT(status, 0);

    test_support::box_answerer answerer(IDOK);
    EXPECT_EQ(known_folder(no_such_folder, false), L"");
    EXPECT_TRUE(answerer.boxes().empty());

    EXPECT_EQ(known_folder(no_such_folder, true), L"");
    ASSERT_EQ(answerer.boxes().size(), 1u);
    EXPECT_EQ(answerer.boxes()[0].text, installer::system_error_text(static_cast<DWORD>(status), 0));
    EXPECT_EQ(answerer.boxes()[0].caption, installer::window_caption(true));
    EXPECT_NE(answerer.boxes()[0].icon, nullptr) << "a warning";
}

TEST(shortcut_folder, first_lookups)
{
    watched_lookup lookup;
    for (int number : {0, 1, 2})
        EXPECT_EQ(shortcut_folder(number, lookup.function()), L"X:\\known");
    ASSERT_EQ(lookup.calls.size(), 3u);
    EXPECT_EQ(lookup.calls[0].id, FOLDERID_ProgramFiles);
    EXPECT_TRUE(lookup.calls[0].show_failure);
    EXPECT_EQ(lookup.calls[1].id, FOLDERID_CommonPrograms);
    EXPECT_FALSE(lookup.calls[1].show_failure);
    EXPECT_EQ(lookup.calls[2].id, FOLDERID_PublicDesktop);
    EXPECT_FALSE(lookup.calls[2].show_failure);
}

TEST(shortcut_folder, fallbacks)
{
    watched_lookup lookup;
    lookup.missing = {FOLDERID_ProgramFiles, FOLDERID_CommonPrograms, FOLDERID_PublicDesktop};
    EXPECT_EQ(shortcut_folder(0, lookup.function()), L"");
    EXPECT_EQ(lookup.calls.size(), 1u) << "the program files folder has no fallback";
    EXPECT_EQ(shortcut_folder(1, lookup.function()), L"X:\\known");
    EXPECT_EQ(shortcut_folder(2, lookup.function()), L"X:\\known");
    ASSERT_EQ(lookup.calls.size(), 5u);
    EXPECT_EQ(lookup.calls[2].id, FOLDERID_Programs);
    EXPECT_TRUE(lookup.calls[2].show_failure);
    EXPECT_EQ(lookup.calls[4].id, FOLDERID_Desktop);
    EXPECT_FALSE(lookup.calls[4].show_failure);
    EXPECT_EQ(lookup.shown(), 1) << "only the program files folder's failure is told";

    watched_lookup nothing;
    nothing.missing = {FOLDERID_CommonPrograms, FOLDERID_Programs, FOLDERID_PublicDesktop, FOLDERID_Desktop};
    EXPECT_EQ(shortcut_folder(1, nothing.function()), L"");
    EXPECT_EQ(nothing.shown(), 1) << "one message when the start menu cannot be found at all";
    EXPECT_EQ(shortcut_folder(2, nothing.function()), L"");
    EXPECT_EQ(nothing.shown(), 1) << "the desktop's failures are never told";
}

TEST(shortcut_folder, real_folders)
{
    test_support::box_answerer answerer(IDOK);
    EXPECT_EQ(shortcut_folder(0), known_folder(FOLDERID_ProgramFiles, false));
    EXPECT_EQ(shortcut_folder(1), known_folder(FOLDERID_CommonPrograms, false));
    EXPECT_EQ(shortcut_folder(2), known_folder(FOLDERID_PublicDesktop, false));
    EXPECT_FALSE(shortcut_folder(1).empty());
    EXPECT_TRUE(answerer.boxes().empty());
    EXPECT_THROW(shortcut_folder(3), std::invalid_argument);
    EXPECT_THROW(shortcut_folder(-1), std::invalid_argument);
}
