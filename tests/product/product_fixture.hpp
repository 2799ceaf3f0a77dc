#pragma once
// Shared by the product's tests: registry state that a test changes and puts back, and an installation
// recorded in an uninstall log by the installer's own step recording.

#include "record/uninstall_log.hpp"
#include "support/test_support.hpp"

#include <windows.h>

#include <array>
#include <string>

namespace product_test {

// The product's language modules by language index, as the installer installs them in "Lang".
struct language_entry {
    int index;
    const wchar_t* name;  // file name without ".dll"
};
inline constexpr std::array<language_entry, 16> language_modules{{
    {0, L"French"},   {2, L"German"},    {3, L"Spanish"},  {4, L"Portuguese"}, {5, L"Dutch"},
    {7, L"Turkish"},  {9, L"Romanian"},  {10, L"Chinese"}, {11, L"Italian"},   {12, L"Czech"},
    {14, L"Greek"},   {15, L"Polish"},   {16, L"Hebrew"},  {17, L"Vietnamese"}, {19, L"Hungarian"},
    {20, L"Serbian"}}};

// The built modules, in "Lang" beside the test.
std::wstring built_module(const std::wstring& name);
// Copies the built modules into `folder`\Lang, as an installation places them; raises when one cannot be copied.
void install_language_modules(const std::wstring& folder);

// The current language of this process and the texts' module, put back when the test ends.
class saved_language {
public:
    saved_language();
    ~saved_language();
    saved_language(const saved_language&) = delete;
    saved_language& operator=(const saved_language&) = delete;

private:
    int index_;
};

// A key that must not exist before the test; it is deleted with everything below it afterwards.
class fresh_key {
public:
    fresh_key(HKEY root, std::wstring path);
    ~fresh_key();
    fresh_key(const fresh_key&) = delete;
    fresh_key& operator=(const fresh_key&) = delete;

    bool existed_before() const { return existed_; }

private:
    HKEY root_;
    std::wstring path_;
    bool existed_;
};

// The value naming the installed program, put back as it was when the test ends.
class saved_installed_path {
public:
    saved_installed_path();
    ~saved_installed_path();
    saved_installed_path(const saved_installed_path&) = delete;
    saved_installed_path& operator=(const saved_installed_path&) = delete;

private:
    std::wstring value_;
};

// The product's file types, gone again when the test ends (they must not be registered before).
class file_types_cleanup {
public:
    file_types_cleanup();
    ~file_types_cleanup();
    file_types_cleanup(const file_types_cleanup&) = delete;
    file_types_cleanup& operator=(const file_types_cleanup&) = delete;
};

bool exists(const std::wstring& path);
bool key_exists(HKEY root, const std::wstring& path);

// An installation below a temporary folder, recorded as the installer records it and saved as its log.
struct installation {
    explicit installation(const std::wstring& root, const std::wstring& uninstaller_source = {});

    std::wstring install;     // root\Maker\Tarvolith 7
    std::wstring program;     // install\Tarvolith.exe
    std::wstring uninstaller; // install\Uninstall.exe
    std::wstring language;    // install\Lang\French.dll
    std::wstring shared;      // root\Data\Library\materials.dat (shared data)
    std::wstring sample;      // root\Examples\demo.tvp
    std::wstring start_menu;  // root\Start\Tarvolith 7.lnk
    std::wstring desktop;     // root\Desktop\Tarvolith 7.lnk
    std::wstring log_path;    // install\Uninstall.ulog
    installer::uninstall_log log;

private:
    void add(const std::wstring& path, std::int32_t tag, const std::string& bytes = "content");
};

} // namespace product_test
