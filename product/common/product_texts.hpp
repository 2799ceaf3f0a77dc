#pragma once
// The texts of the product's programs: slot n of the product's string table, named by 1000 + n as the
// installer names its own, in the current language. A language's texts come from its language module when
// one is in use, else from the program's own resources; a missing module, a missing text or an untranslated
// ("#") slot gives the built-in English text.

#include "system/unique_any.hpp"

#include <windows.h>

#include <string>

namespace product {

// Slots 0 to 15: ids 1000 to 1015.
inline constexpr unsigned text_slots = 16;

// The file name of a language's module in "Lang" ("French.dll"); empty for English, which the main program
// carries itself, and for the languages that have no module.
std::wstring language_module_file(int index);

// A language module mapped as a data file and image resource: its resources can be read, and none of its
// code can run. Empty when the file is missing or cannot be mapped.
class language_module {
public:
    language_module() = default;
    explicit language_module(const std::wstring& path);

    HMODULE handle() const noexcept { return module_.get(); }
    explicit operator bool() const noexcept { return static_cast<bool>(module_); }

private:
    mv::unique_module module_;
};

// The module of language `index` in the folder "Lang" of `program_folder`; empty when there is none.
language_module open_language_module(const std::wstring& program_folder, int index);

// From now on the texts come from `module` (an empty one: from the program's own resources only).
void use_language_module(language_module module);

// The text of slot id - 1000 in the current language. Raises std::logic_error for an id outside the slots.
std::wstring load_text(unsigned id);

} // namespace product
