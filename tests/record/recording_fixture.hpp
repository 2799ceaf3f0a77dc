#pragma once
// What the step-recording and rollback tests share: a folder that stands for the machine's drive, a private
// temporary folder that receives the backups, and an Uninstall key of the tests' own.

#include "record/uninstall_log.hpp"
#include "system/registry_key.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace recording_test {

using test_support::exists;

inline bool is_folder(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Names of the entries of a folder, in the order the system lists them.
inline std::vector<std::wstring> entries(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().wstring());
    return names;
}

// Keeps a file open, by default without any sharing, as a running program may: nobody can read, move or
// delete it.
inline mv::unique_file lock(const std::wstring& path, DWORD share = 0)
{
    mv::unique_file file(::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        throw std::runtime_error("cannot open the file to lock it");
    return file;
}

inline std::string narrow(const std::wstring& text)
{
    return std::filesystem::path(text).string();
}

class recording : public ::testing::Test {
protected:
    recording();
    ~recording() override;

    // The backups that are in the temporary folder now.
    std::vector<std::wstring> backups() const { return entries(temporary_.path()); }
    const std::wstring& temporary() const { return temporary_.path(); }

    // The product's Uninstall key, under a parent of the tests' own below HKEY_CURRENT_USER.
    mv::registry_key open_product_key() const;
    mv::registry_key create_product_key() const;

    test_support::temp_folder root;  // stands for the drive the installation goes to
    installer::uninstall_log log;

private:
    test_support::temp_folder temporary_;
    test_support::redirected_temp redirect_;
    std::wstring key_root_;
};

inline recording::recording()
    : redirect_(temporary_.path()),
      key_root_(L"Software\\Merov & Dudidivi\\Tests\\record_" + std::to_wstring(::GetCurrentProcessId()))
{
    log.uninstall_key_location = {HKEY_CURRENT_USER, key_root_ + L"\\Uninstall", L"Tarvolith 7"};
    mv::create_key(HKEY_CURRENT_USER, log.uninstall_key_location.parent);
}

inline recording::~recording()
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key_root_.c_str());
}

inline mv::registry_key recording::open_product_key() const
{
    return mv::open_key(mv::open_key(HKEY_CURRENT_USER, log.uninstall_key_location.parent),
                        log.uninstall_key_location.name);
}

inline mv::registry_key recording::create_product_key() const
{
    return mv::create_key(mv::open_key(HKEY_CURRENT_USER, log.uninstall_key_location.parent),
                          log.uninstall_key_location.name);
}

} // namespace recording_test
