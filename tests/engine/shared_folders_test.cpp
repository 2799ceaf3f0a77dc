#include "engine/destination.hpp"

#include "system/security.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using installer::shared_folders;

namespace {

// Grants as the installer asks for them, without touching any ACL.
struct grant_log {
    struct grant {
        std::wstring folder;
        ACCESS_MASK mask;
        BYTE flags;
    };
    std::vector<grant> grants;

    shared_folders::grant_function function()
    {
        return [this](const std::wstring& folder, ACCESS_MASK mask, BYTE flags) {
            grants.push_back({folder, mask, flags});
            return true;
        };
    }
    std::vector<std::wstring> folders() const
    {
        std::vector<std::wstring> result;
        for (const grant& g : grants)
            result.push_back(g.folder);
        return result;
    }
};

std::vector<bool> granted_flags(const shared_folders& shared)
{
    std::vector<bool> flags;
    for (const auto& element : shared.elements())
        flags.push_back(element.granted);
    return flags;
}

void make_folders(const std::wstring& path) { std::filesystem::create_directories(path); }

} // namespace

TEST(shared_folders, each_folder_is_recorded_once)
{
    test_support::temp_folder root;
    make_folders(root / L"Data");
    shared_folders shared;
    shared.record_shared_folder(root / L"Data");
    shared.record_shared_folder(root / L"Data\\Sub");
    shared.record_shared_folder(root / L"Data");
    shared.record_shared_folder(root / L"DATA");            // the same existing folder
    shared.record_shared_folder(root / L"Data\\.\\Sub");    // the same missing folder
    shared.record_shared_folder(root.path() + L"\\Data\\");
    shared.record_shared_folder(root / L"Other");
    ASSERT_EQ(shared.elements().size(), 3u);
    EXPECT_EQ(shared.elements()[0].folder, root / L"Data");
    EXPECT_EQ(shared.elements()[1].folder, root / L"Data\\Sub");
    EXPECT_EQ(shared.elements()[2].folder, root / L"Other");
    EXPECT_EQ(granted_flags(shared), (std::vector<bool>{false, false, false}));
}

TEST(shared_folders, only_folders_on_the_way_up_are_granted_once)
{
    test_support::temp_folder root;
    grant_log log;
    shared_folders shared(log.function());
    shared.record_shared_folder(root / L"Merov");
    shared.record_shared_folder(root / L"Merov\\Materials");
    shared.record_shared_folder(root / L"Merov\\Libraries");
    make_folders(root / L"Merov\\Materials");

    shared.open_shared_folders(root / L"Merov\\Materials");
    EXPECT_EQ(log.folders(), (std::vector<std::wstring>{root / L"Merov", root / L"Merov\\Materials"}));
    EXPECT_EQ(granted_flags(shared), (std::vector<bool>{true, true, false}));
    for (const auto& grant : log.grants) {
        EXPECT_EQ(grant.mask, 0x1F01FFu) << "full access";
        EXPECT_EQ(grant.flags, 3) << "inherited by files and folders";
    }

    // The second file in the same folder, and one deeper down, grant nothing again.
    shared.open_shared_folders(root / L"Merov\\Materials");
    make_folders(root / L"Merov\\Materials\\Metal");
    shared.open_shared_folders(root / L"Merov\\Materials\\Metal");
    EXPECT_EQ(log.grants.size(), 2u);

    make_folders(root / L"Merov\\Libraries");
    shared.open_shared_folders(root.path() + L"\\Merov\\Libraries\\");
    EXPECT_EQ(log.folders().back(), root / L"Merov\\Libraries");
    EXPECT_EQ(log.grants.size(), 3u);
    EXPECT_EQ(granted_flags(shared), (std::vector<bool>{true, true, true}));
}

TEST(shared_folders, nothing_is_granted_without_an_existing_start_folder)
{
    test_support::temp_folder root;
    grant_log log;
    shared_folders shared(log.function());
    shared.record_shared_folder(root.path());
    shared.record_shared_folder(root / L"Recorded");
    make_folders(root / L"Recorded");
    test_support::write_bytes(root / L"Recorded\\file", "x");

    shared.open_shared_folders(root / L"Recorded\\Missing");  // not yet created: not on any way up
    shared.open_shared_folders(root / L"Recorded\\file");     // a file, not a folder
    shared.open_shared_folders(root / L"Elsewhere");
    make_folders(root / L"Beside");
    shared.open_shared_folders(root / L"Beside");  // below the first element only
    EXPECT_EQ(log.folders(), std::vector<std::wstring>{root.path()});
    EXPECT_EQ(granted_flags(shared), (std::vector<bool>{true, false}));
}

TEST(shared_folders, a_failed_grant_is_not_repeated)
{
    test_support::temp_folder root;
    int attempts = 0;
    shared_folders shared([&](const std::wstring&, ACCESS_MASK, BYTE) {
        ++attempts;
        return false;
    });
    shared.record_shared_folder(root.path());
    shared.open_shared_folders(root.path());
    shared.open_shared_folders(root.path());
    EXPECT_EQ(attempts, 1);
    EXPECT_TRUE(shared.elements()[0].granted);
}

TEST(shared_folders, the_users_group_gets_the_folder)
{
    test_support::temp_folder root;
    make_folders(root / L"Shared\\Deeper");
    std::vector<bool> results;
    shared_folders shared([&](const std::wstring& folder, ACCESS_MASK mask, BYTE flags) {
        results.push_back(mv::grant_access(folder, mask, flags));
        return results.back();
    });
    shared.record_shared_folder(root / L"Shared");
    shared.open_shared_folders(root / L"Shared\\Deeper");
    EXPECT_EQ(results, std::vector<bool>{true}) << "the security layer took the grant";

    shared_folders installed;  // as the extractor has it
    installed.record_shared_folder(root / L"Shared\\Deeper");
    installed.open_shared_folders(root / L"Shared\\Deeper");
    EXPECT_TRUE(installed.elements()[0].granted);
    if (test_support::on_wine())
        GTEST_SKIP() << "Wine synthesises a folder's DACL from the Unix mode bits: the Users entry cannot be read back";

    // On Windows the folder now carries an explicit, inheritable full-access entry for Users.
    DWORD size = 0;
    ::GetFileSecurityW((root / L"Shared\\Deeper").c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<BYTE> descriptor(size);
    ASSERT_TRUE(::GetFileSecurityW((root / L"Shared\\Deeper").c_str(), DACL_SECURITY_INFORMATION, descriptor.data(),
                                   size, &size));
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl);
    const mv::unique_sid users = mv::well_known_sid(mv::well_known_account::users);
    int users_entries = 0;
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        ACCESS_ALLOWED_ACE* entry = nullptr;
        ASSERT_TRUE(::GetAce(dacl, index, reinterpret_cast<void**>(&entry)));
        if (entry->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || !::EqualSid(&entry->SidStart, users.get()))
            continue;
        ++users_entries;
        EXPECT_EQ(entry->Mask, 0x1F01FFu);
        EXPECT_EQ(entry->Header.AceFlags & 0x13, 3);
    }
    EXPECT_EQ(users_entries, 1);
}

TEST(shared_folders, a_folder_that_cannot_be_examined_fails)
{
    test_support::temp_folder root;
    grant_log log;
    shared_folders shared(log.function());
    shared.record_shared_folder(root.path());
    const std::wstring unreadable = root / L"a*b";  // not a name: the system cannot say what is there
    try {
        shared.open_shared_folders(unreadable);
        FAIL() << "no error";
    } catch (const std::filesystem::filesystem_error& error) {
        EXPECT_NE(std::string(error.what()).find("status"), std::string::npos) << error.what();
        EXPECT_EQ(error.path1().native(), unreadable);
        EXPECT_EQ(error.code(), std::error_code(ERROR_INVALID_NAME, std::system_category()));
    }
    EXPECT_TRUE(log.grants.empty());
    EXPECT_FALSE(shared.elements()[0].granted);
}
