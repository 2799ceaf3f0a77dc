#include "engine/destination.hpp"

#include <array>
#include <filesystem>
#include <string_view>

namespace installer {

namespace {

constexpr int csidl_none = -1;

enum class token_base { install, sample, shell, working };

struct destination_token {
    std::wstring_view name;
    token_base base;
    int csidl = csidl_none;
    int fallback_csidl = csidl_none;
    bool records_levels = false;  // the folders below the base are opened to every user
};

// Searched in this order; the first exact, case-sensitive match wins.
constexpr std::array<destination_token, 13> tokens{{
    {L"<InstallPath>", token_base::install},
    {L"<SamplePath>", token_base::sample, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY},
    {L"<ProgramFiles>", token_base::shell, CSIDL_PROGRAM_FILES},
    {L"<ProgramCommon>", token_base::shell, CSIDL_PROGRAM_FILES_COMMON},
    {L"<CommonData>", token_base::shell, CSIDL_COMMON_APPDATA, CSIDL_APPDATA, true},
    {L"<UserData>", token_base::shell, CSIDL_APPDATA},
    {L"<CommonDocuments>", token_base::shell, CSIDL_COMMON_DOCUMENTS, CSIDL_PERSONAL, true},
    {L"<Documents>", token_base::shell, CSIDL_PERSONAL},
    {L"<CommonDesktop>", token_base::shell, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY, true},
    {L"<Desktop>", token_base::shell, CSIDL_DESKTOPDIRECTORY},
    {L"<WinDir>", token_base::shell, CSIDL_WINDOWS},
    {L"<System>", token_base::shell, CSIDL_SYSTEM},
    {L"<Temporary>", token_base::working},
}};

bool is_separator(wchar_t c) noexcept { return c == L'\\' || c == L'/'; }

// Plain concatenation: path's operator/ would let an element with a drive ("D:") or a leading separator
// replace the base and so move the destination out of it. An empty element (a trailing separator) adds
// no level.
void append_element(std::wstring& base, std::wstring_view element)
{
    while (!element.empty() && is_separator(element.front()))
        element.remove_prefix(1);
    if (element.empty())
        return;
    if (!base.empty() && !is_separator(base.back()))
        base += L'\\';
    base += element;
}

std::wstring shell_base(const destination_token& token, const shell_folder_lookup& lookup)
{
    return lookup(token.csidl, token.fallback_csidl, token.fallback_csidl != csidl_none);
}

std::wstring sample_base(const destination_token& token, const std::wstring& sample_folder, shared_folders& shared,
                         const shell_folder_lookup& lookup)
{
    if (!sample_folder.empty() && is_absolute_folder(sample_folder))
        return sample_folder;
    std::wstring base = shell_base(token, lookup);
    if (!sample_folder.empty()) {
        append_element(base, sample_folder);
        shared.record_shared_folder(base);
    }
    return base;
}

const destination_token* find_token(std::wstring_view element)
{
    for (const destination_token& token : tokens)
        if (token.name == element)
            return &token;
    return nullptr;  // no base: what follows stays relative
}

std::wstring token_base_path(const destination_token& token, const destination_bases& bases, shared_folders& shared,
                             const shell_folder_lookup& lookup)
{
    switch (token.base) {
    case token_base::install: return bases.install_folder;
    case token_base::sample: return sample_base(token, bases.sample_folder, shared, lookup);
    case token_base::shell: return shell_base(token, lookup);
    case token_base::working: return bases.working_folder.empty() ? bases.install_folder : bases.working_folder;
    }
    return {};
}

} // namespace

bool is_absolute_folder(const std::wstring& path) noexcept
{
    const auto is_letter = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); };
    const bool drive = path.size() >= 3 && is_letter(path[0]) && path[1] == L':' && is_separator(path[2]);
    const bool prefixed = path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]);
    return drive || prefixed;
}

std::wstring resolve_destination(const std::wstring& folder, const destination_bases& bases, shared_folders& shared)
{
    if (bases.shell_folders)
        return resolve_destination(folder, bases, shared, bases.shell_folders);
    return resolve_destination(folder, bases, shared, shell_folder);
}

std::wstring resolve_destination(const std::wstring& folder, const destination_bases& bases, shared_folders& shared,
                                 const shell_folder_lookup& lookup)
{
    const std::filesystem::path path(folder);
    auto element = path.begin();
    if (element == path.end())
        return folder;
    const std::wstring first = element->native();
    if (first.size() < 2 || first.front() != L'<' || first.back() != L'>')
        return folder;

    const destination_token* token = find_token(first);
    std::wstring base = token ? token_base_path(*token, bases, shared, lookup) : std::wstring();
    const bool records_levels = token && token->records_levels;

    for (++element; element != path.end(); ++element) {
        append_element(base, element->native());
        if (records_levels)
            shared.record_shared_folder(base);
    }
    return base;
}

} // namespace installer
