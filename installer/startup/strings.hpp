#pragma once
// The program's resources and its localised texts.

#include <cstddef>
#include <string>
#include <string_view>

#include <windows.h>

namespace installer {

// Read-only bytes of a resource, mapped for the process's lifetime; never copied.
struct resource_view {
    const void* data = nullptr;
    std::size_t size = 0;
    bool empty() const noexcept { return size == 0; }
};

// The module whose resources hold the texts and dialogs (the executable when none was set).
HMODULE resource_module();
// Empty when the resource is missing or empty.
resource_view load_resource(const wchar_t* type, const wchar_t* name);
// The characters of a string resource (not null-terminated), empty when there is none.
std::wstring_view load_resource_string(unsigned id);
// The same from one given module only (which may be mapped as data).
std::wstring_view resource_string(HMODULE module, unsigned id) noexcept;

// Text slot n, named by its French id 1000 + n, in the current language; untranslated ("#") slots fall
// back to English, then French.
std::wstring load_string(unsigned id);
// Caption of the installer's windows and message boxes: "Installer", or "Installer – Tarvolith 7.12d".
std::wstring window_caption(bool with_product);

} // namespace installer
