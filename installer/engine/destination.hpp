#pragma once
// Destination folders of payload entries: the folder tokens, the shell folders behind them, and the
// all-users folders that are opened to the Users group when the first file below them is written.

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

namespace installer {

// How the destination tokens ask for a shell folder: a CSIDL, its fallback, whether the fallback may be used.
using shell_folder_lookup = std::function<std::wstring(int csidl, int fallback_csidl, bool use_fallback)>;

// The folders of this installation that the destination tokens stand for.
struct destination_bases {
    std::wstring install_folder;  // "<InstallPath>"
    std::wstring sample_folder;   // "<SamplePath>": absolute, relative to the all-users desktop, or empty
    std::wstring working_folder;  // "<Temporary>"
    // The other tokens' folders; shell_folder when empty. A benchmark gives its own, so that an extraction of
    // the whole layout stays inside one folder of its own.
    shell_folder_lookup shell_folders = {};
};

// All-users folders created for the product, granted to the Users group once.
class shared_folders {
public:
    struct element {
        std::wstring folder;
        bool granted = false;
    };

    // Gives the Users group `mask` with `ace_flags` on a folder; true on success.
    using grant_function = std::function<bool(const std::wstring& folder, ACCESS_MASK mask, BYTE ace_flags)>;

    // Grants through mv::grant_access.
    shared_folders();
    // Grants through `grant` (tests watch the grants this way).
    explicit shared_folders(grant_function grant);

    // Appends the folder unless an element names the same path.
    void record_shared_folder(const std::wstring& folder);
    // Grants each pending element that lies on the way from `start` up to its root.
    void open_shared_folders(const std::wstring& start);

    const std::vector<element>& elements() const noexcept { return elements_; }

private:
    std::vector<element> elements_;
    grant_function grant_;
};

// The folder with its leading token replaced by the folder it stands for; may record shared folders.
// Raises the extractor's `unexpected` error when a shell folder cannot be determined.
std::wstring resolve_destination(const std::wstring& folder, const destination_bases& bases, shared_folders& shared);

// The same with the shell folders of `lookup` instead of the bases' (tests look on this way).
std::wstring resolve_destination(const std::wstring& folder, const destination_bases& bases, shared_folders& shared,
                                 const shell_folder_lookup& lookup);

// Whether a path is absolute in the Windows sense: a drive letter and a separator, or a network or device
// prefix ("\\server\share", "\\?\"). A path that starts with a single separator is not.
bool is_absolute_folder(const std::wstring& path) noexcept;

// A CSIDL folder, else (when allowed) the fallback's; raises `unexpected` when neither exists.
std::wstring shell_folder(int csidl, int fallback_csidl, bool use_fallback);

// A known folder; empty on failure, which is shown to the user when asked.
std::wstring known_folder(const KNOWNFOLDERID& id, bool show_failure);

// The shell's answer for a known folder, without telling the user anything.
struct known_folder_answer {
    std::wstring path;
    HRESULT status = S_OK;
};
known_folder_answer query_known_folder(const KNOWNFOLDERID& id);

// Tells the user that a known folder could not be determined.
void show_known_folder_failure(HRESULT status);

// 0, 1 or 2 of the table of shortcut folders; possibly empty. std::invalid_argument for another number.
std::wstring shortcut_folder(int number);

// How shortcut_folder asks for a known folder; known_folder unless a test looks on.
using known_folder_lookup = std::function<std::wstring(const KNOWNFOLDERID& id, bool show_failure)>;
std::wstring shortcut_folder(int number, const known_folder_lookup& lookup);

} // namespace installer
