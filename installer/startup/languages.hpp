#pragma once
// The installer's 21 languages: which one is current, its locale, and the module that holds its texts.

#include <windows.h>

#include <cstdint>
#include <locale>
#include <string>

namespace installer {

inline constexpr int language_count = 21;
inline constexpr int language_french = 0;
inline constexpr int language_english = 1;
inline constexpr int language_hebrew = 16;

// The one process-wide language record, built on first use.
class language_state {
public:
    static language_state& instance();

    std::uint32_t available_mask;  // languages that default_language(0) may choose
    int index;                     // the current language
    LCID lcid;                     // effective_lcid(index)
    HMODULE resource_module;       // module of the texts and dialogs; null until next taken
    bool right_to_left;

private:
    language_state();
};

// Each of these takes a language index 0 to 20 and raises std::logic_error for any other value,
// except has_installer_texts, which answers false.
LCID language_lcid(int index);
// The first string id of the language's block of texts.
unsigned language_first_string_id(int index);
// The user's own LCID when it is exactly this language (keeps the user's sort order), else the table's.
LCID effective_lcid(int index);
bool has_installer_texts(int index) noexcept;
bool is_right_to_left(int index);
// Name of the locale used for the language ("de-DE"), empty when Windows has none.
std::string locale_name(int index);
void apply_locale(int index);
void set_language(int index);

// Name of a Windows locale ("de-DE"), empty when Windows has none.
std::string lcid_locale_name(LCID lcid);
// The named locale of the C++ runtime; else the user-default one; else the classic one. MinGW's runtime
// knows no named locale at all, and start-up must never end on that.
std::locale locale_or_fallback(const std::string& name);

// The language that matches the user's regional settings among the languages of the mask
// (0: the state's available mask); English or French when none matches.
int default_language(std::uint32_t mask);

} // namespace installer
