#pragma once
// The language of the product's programs: the one the installation chose ("MvLanguage" of the product's
// Add/Remove Programs entry), else the user's own.

namespace product {

// Every language index the installer knows.
inline constexpr unsigned all_languages_mask = 0x1FFFFF;

// The language index to use; a value outside the known languages is ignored.
int installed_language();

// Makes installed_language() the current language of the texts.
void choose_language();

} // namespace product
