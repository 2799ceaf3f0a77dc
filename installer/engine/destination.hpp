#pragma once
// Destination folders of payload entries: the folder tokens, the shell folders behind them, and the
// all-users folders that are opened to the Users group when the first file below them is written.

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace installer {

// The folders of this installation that the destination tokens stand for.
struct destination_bases {
    std::wstring install_folder;  // "<InstallPath>"
    std::wstring sample_folder;   // "<SamplePath>": absolute, relative to the all-users desktop, or empty
    std::wstring working_folder;  // "<Temporary>"
};

// All-users folders created for the product, granted to the Users group once.
class shared_folders {
public:
    struct element {
        std::wstring folder;
        bool granted = false;
    };

    // Appends the folder unless an element names the same path.
    void record_shared_folder(const std::wstring& folder);
    // Grants each pending element that lies on the way from `start` up to its root.
    void open_shared_folders(const std::wstring& start);

    const std::vector<element>& elements() const noexcept { return elements_; }

private:
    std::vector<element> elements_;
};

// The folder with its leading token replaced by the folder it stands for; may record shared folders.
// Raises the extractor's `unexpected` error when a shell folder cannot be determined.
std::wstring resolve_destination(const std::wstring& folder, const destination_bases& bases, shared_folders& shared);

// A CSIDL folder, else (when allowed) the fallback's; raises `unexpected` when neither exists.
std::wstring shell_folder(int csidl, int fallback_csidl, bool use_fallback);
// A known folder; empty on failure, which is shown to the user when asked.
std::wstring known_folder(const KNOWNFOLDERID& id, bool show_failure);
// 0, 1 or 2 of the table of shortcut folders; possibly empty.
std::wstring shortcut_folder(int number);

} // namespace installer
