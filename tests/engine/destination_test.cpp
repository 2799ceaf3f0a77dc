#include "engine/destination.hpp"

#include "engine/compress_error.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

using installer::destination_bases;
using installer::resolve_destination;
using installer::shared_folders;

namespace {

const destination_bases bases{L"C:\\Program Files\\Merov & Dudidivi\\Tarvolith 7", L"Tarvolith Examples",
                              L"C:\\Temp\\merov_{0}"};

// What the shell says, asked directly.
std::wstring shell_path(int csidl)
{
    wchar_t buffer[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
    return buffer;
}

std::vector<std::wstring> recorded(const shared_folders& shared)
{
    std::vector<std::wstring> folders;
    for (const auto& element : shared.elements()) {
        EXPECT_FALSE(element.granted) << "recording grants nothing";
        folders.push_back(element.folder);
    }
    return folders;
}

struct shell_token {
    const wchar_t* token;
    int csidl;
    int fallback_csidl;  // -1: none
    bool records_levels;
};

const shell_token shell_tokens[] = {
    {L"<ProgramFiles>", CSIDL_PROGRAM_FILES, -1, false},
    {L"<ProgramCommon>", CSIDL_PROGRAM_FILES_COMMON, -1, false},
    {L"<CommonData>", CSIDL_COMMON_APPDATA, CSIDL_APPDATA, true},
    {L"<UserData>", CSIDL_APPDATA, -1, false},
    {L"<CommonDocuments>", CSIDL_COMMON_DOCUMENTS, CSIDL_PERSONAL, true},
    {L"<Documents>", CSIDL_PERSONAL, -1, false},
    {L"<CommonDesktop>", CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY, true},
    {L"<Desktop>", CSIDL_DESKTOPDIRECTORY, -1, false},
    {L"<WinDir>", CSIDL_WINDOWS, -1, false},
    {L"<System>", CSIDL_SYSTEM, -1, false},
};

// A lookup that notes how it was asked and answers from a fixed table.
struct watched_lookup {
    struct call {
        int csidl, fallback_csidl;
        bool use_fallback;
    };
    std::vector<call> calls;

    installer::shell_folder_lookup function()
    {
        return [this](int csidl, int fallback, bool use_fallback) {
            calls.push_back({csidl, fallback, use_fallback});
            return L"X:\\csidl" + std::to_wstring(csidl);
        };
    }
};

} // namespace

TEST(resolve_destination, shell_tokens_resolve_to_their_folders)
{
    for (const shell_token& token : shell_tokens) {
        SCOPED_TRACE(testing::Message() << std::string(token.token, token.token + wcslen(token.token)));
        const std::wstring base = shell_path(token.csidl);
        ASSERT_FALSE(base.empty()) << "Wine knows every one of these folders";
        shared_folders shared;
        EXPECT_EQ(resolve_destination(std::wstring(token.token) + L"\\Merov & Dudidivi\\Tarvolith 7", bases, shared),
                  base + L"\\Merov & Dudidivi\\Tarvolith 7");
        const std::vector<std::wstring> levels{base + L"\\Merov & Dudidivi", base + L"\\Merov & Dudidivi\\Tarvolith 7"};
        EXPECT_EQ(recorded(shared), token.records_levels ? levels : std::vector<std::wstring>{});
    }
}

TEST(resolve_destination, shell_tokens_ask_for_their_fallbacks)
{
    for (const shell_token& token : shell_tokens) {
        watched_lookup lookup;
        shared_folders shared;
        EXPECT_EQ(resolve_destination(std::wstring(token.token) + L"\\a", bases, shared, lookup.function()),
                  L"X:\\csidl" + std::to_wstring(token.csidl) + L"\\a");
        ASSERT_EQ(lookup.calls.size(), 1u);
        EXPECT_EQ(lookup.calls[0].csidl, token.csidl);
        EXPECT_EQ(lookup.calls[0].use_fallback, token.fallback_csidl != -1);
        if (token.fallback_csidl != -1) {
            EXPECT_EQ(lookup.calls[0].fallback_csidl, token.fallback_csidl);
        }
    }
}

TEST(resolve_destination, bases_with_shell_folders_of_their_own_ask_them_only)
{
    watched_lookup lookup;
    destination_bases own = bases;
    own.shell_folders = lookup.function();
    shared_folders shared;
    EXPECT_EQ(resolve_destination(L"<CommonData>\\Merov & Dudidivi", own, shared),
              L"X:\\csidl" + std::to_wstring(CSIDL_COMMON_APPDATA) + L"\\Merov & Dudidivi");
    EXPECT_EQ(recorded(shared), std::vector<std::wstring>{L"X:\\csidl35\\Merov & Dudidivi"});
    EXPECT_EQ(resolve_destination(L"<InstallPath>\\Lang", own, shared), bases.install_folder + L"\\Lang");
    EXPECT_EQ(lookup.calls.size(), 1u);
}

TEST(resolve_destination, all_users_data_is_granted_level_by_level_once)
{
    if (test_support::on_wine()) {  // where Wine keeps the all-users data
        shared_folders elsewhere;
        EXPECT_EQ(resolve_destination(L"<CommonData>\\Merov & Dudidivi\\Materials", bases, elsewhere),
                  L"C:\\ProgramData\\Merov & Dudidivi\\Materials");
    }

    // The same below a company folder of this test's own, made in the real all-users data folder.
    const std::wstring company = L"tarvolith_test_" + std::to_wstring(::GetCurrentProcessId());
    const std::filesystem::path data = shell_path(CSIDL_COMMON_APPDATA);
    struct remover {
        std::filesystem::path folder;
        ~remover()
        {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    } made{data / company};

    std::vector<std::wstring> grants;
    shared_folders shared([&](const std::wstring& folder, ACCESS_MASK, BYTE) {
        grants.push_back(folder);
        return true;
    });
    const std::wstring materials = resolve_destination(L"<CommonData>\\" + company + L"\\Materials", bases, shared);
    EXPECT_EQ(materials, (data / company / L"Materials").native());
    EXPECT_EQ(recorded(shared), (std::vector<std::wstring>{(data / company).native(), materials}));
    std::filesystem::create_directories(materials);
    shared.open_shared_folders(materials);  // the first material file
    shared.open_shared_folders(materials);  // the second
    EXPECT_EQ(grants, (std::vector<std::wstring>{(data / company).native(), materials}));
}

TEST(resolve_destination, install_and_working_folders)
{
    shared_folders shared;
    EXPECT_EQ(resolve_destination(L"<InstallPath>\\Lang", bases, shared), bases.install_folder + L"\\Lang");
    EXPECT_EQ(resolve_destination(L"<InstallPath>\\Lang\\", bases, shared), bases.install_folder + L"\\Lang");
    EXPECT_EQ(resolve_destination(L"<InstallPath>", bases, shared), bases.install_folder);
    EXPECT_EQ(resolve_destination(L"<Temporary>", bases, shared), bases.working_folder);
    EXPECT_EQ(resolve_destination(L"<Temporary>\\DirectX", bases, shared), bases.working_folder + L"\\DirectX");

    destination_bases no_working_folder = bases;
    no_working_folder.working_folder.clear();
    EXPECT_EQ(resolve_destination(L"<Temporary>", no_working_folder, shared), bases.install_folder);
    EXPECT_EQ(resolve_destination(L"<Temporary>\\DirectX", no_working_folder, shared),
              bases.install_folder + L"\\DirectX");
    EXPECT_TRUE(shared.elements().empty());
}

TEST(resolve_destination, relative_sample_folder_lies_on_the_all_users_desktop)
{
    const std::wstring desktop = shell_path(CSIDL_COMMON_DESKTOPDIRECTORY);
    ASSERT_FALSE(desktop.empty());
    shared_folders shared;
    EXPECT_EQ(resolve_destination(L"<SamplePath>", bases, shared), desktop + L"\\Tarvolith Examples");
    EXPECT_EQ(resolve_destination(L"<SamplePath>\\Scenes\\Old", bases, shared),
              desktop + L"\\Tarvolith Examples\\Scenes\\Old");
    EXPECT_EQ(recorded(shared), std::vector<std::wstring>{desktop + L"\\Tarvolith Examples"})
        << "the sample folder once, not the levels below it";

    watched_lookup lookup;
    shared_folders watched;
    resolve_destination(L"<SamplePath>", bases, watched, lookup.function());
    ASSERT_EQ(lookup.calls.size(), 1u);
    EXPECT_EQ(lookup.calls[0].csidl, CSIDL_COMMON_DESKTOPDIRECTORY);
    EXPECT_EQ(lookup.calls[0].fallback_csidl, CSIDL_DESKTOPDIRECTORY);
    EXPECT_TRUE(lookup.calls[0].use_fallback);

    destination_bases rooted = bases;
    rooted.sample_folder = L"\\Samples";  // a single separator is not absolute: still below the desktop
    EXPECT_EQ(resolve_destination(L"<SamplePath>", rooted, shared), desktop + L"\\Samples");
}

TEST(resolve_destination, absolute_or_empty_sample_folder_records_nothing)
{
    const std::wstring desktop = shell_path(CSIDL_COMMON_DESKTOPDIRECTORY);
    destination_bases samples = bases;
    shared_folders shared;
    samples.sample_folder = L"E:\\Samples";
    EXPECT_EQ(resolve_destination(L"<SamplePath>\\Scenes", samples, shared), L"E:\\Samples\\Scenes");
    samples.sample_folder = L"\\\\server\\share\\Samples";
    EXPECT_EQ(resolve_destination(L"<SamplePath>", samples, shared), samples.sample_folder);
    samples.sample_folder.clear();
    EXPECT_EQ(resolve_destination(L"<SamplePath>\\Scenes", samples, shared), desktop + L"\\Scenes");
    EXPECT_TRUE(shared.elements().empty());
}

TEST(resolve_destination, folders_without_a_token_stay_as_they_are)
{
    watched_lookup lookup;
    shared_folders shared;
    const auto resolve = [&](const std::wstring& folder) {
        return resolve_destination(folder, bases, shared, lookup.function());
    };
    EXPECT_EQ(resolve(L"D:\\Data"), L"D:\\Data");
    EXPECT_EQ(resolve(L"Data\\Sub"), L"Data\\Sub");
    EXPECT_EQ(resolve(L"\\\\server\\share"), L"\\\\server\\share");
    EXPECT_EQ(resolve(L""), L"");
    EXPECT_EQ(resolve(L"<InstallPath\\x"), L"<InstallPath\\x");
    EXPECT_EQ(resolve(L"InstallPath>\\x"), L"InstallPath>\\x");
    EXPECT_TRUE(lookup.calls.empty());
    EXPECT_TRUE(shared.elements().empty());
}

TEST(resolve_destination, tokens_match_exactly)
{
    watched_lookup lookup;
    shared_folders shared;
    // Not a token: no base, so what follows stays relative; nothing is looked up or recorded.
    EXPECT_EQ(resolve_destination(L"<commondata>\\x", bases, shared, lookup.function()), L"x");
    EXPECT_EQ(resolve_destination(L"<INSTALLPATH>\\x\\y", bases, shared, lookup.function()), L"x\\y");
    EXPECT_EQ(resolve_destination(L"<Nowhere>\\x", bases, shared, lookup.function()), L"x");
    EXPECT_EQ(resolve_destination(L"<>", bases, shared, lookup.function()), L"");
    EXPECT_TRUE(lookup.calls.empty());
    EXPECT_TRUE(shared.elements().empty());
}

TEST(resolve_destination, elements_stay_below_their_base)
{
    shared_folders shared;
    EXPECT_EQ(resolve_destination(L"<InstallPath>\\D:\\x", bases, shared), bases.install_folder + L"\\D:\\x");
    EXPECT_EQ(resolve_destination(L"<InstallPath>\\\\a//b", bases, shared), bases.install_folder + L"\\a\\b");
}

TEST(resolve_destination, a_missing_shell_folder_fails_before_recording)
{
    shared_folders shared;
    const auto missing = [](int, int, bool) -> std::wstring {
        installer::throw_compress_error(installer::compress_errc::unexpected);
    };
    try {
        resolve_destination(L"<CommonData>\\Merov & Dudidivi", bases, shared, missing);
        FAIL() << "no error";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), make_error_code(installer::compress_errc::unexpected));
    }
    EXPECT_TRUE(shared.elements().empty());
}

TEST(is_absolute_folder, drive_and_network_paths_only)
{
    EXPECT_TRUE(installer::is_absolute_folder(L"E:\\Samples"));
    EXPECT_TRUE(installer::is_absolute_folder(L"e:/Samples"));
    EXPECT_TRUE(installer::is_absolute_folder(L"\\\\server\\share"));
    EXPECT_TRUE(installer::is_absolute_folder(L"\\\\?\\C:\\Samples"));
    EXPECT_FALSE(installer::is_absolute_folder(L"\\Samples"));
    EXPECT_FALSE(installer::is_absolute_folder(L"E:Samples"));
    EXPECT_FALSE(installer::is_absolute_folder(L"1:\\Samples"));
    EXPECT_FALSE(installer::is_absolute_folder(L"Tarvolith Examples"));
    EXPECT_FALSE(installer::is_absolute_folder(L""));
}
