#pragma once
// The installation itself: working folder, verified extraction with every file recorded, shortcuts, DirectX,
// the Add/Remove Programs entry, the product's registration run and the uninstall log; a failed extraction
// is rolled back completely.

#include <cstdint>
#include <istream>
#include <string>
#include <system_error>

namespace installer {

class dlg_install;
class install_context;

// The code of a failed installation as the user reads it: "1:00000005" for a Windows error, "2:…" for an
// errno value, the extractor's own codes in decimal, "7" for anything else.
std::wstring error_code_text(const std::error_code& error);

// The bar's percentage: rounded, but 100 only when everything is there.
int progress_percent(std::uint64_t position, std::uint64_t total) noexcept;

// The installation from `payload` into the context's folders, reported on `page`. True when installed.
bool run_installation(dlg_install& page, install_context& context, std::istream& payload);

} // namespace installer
