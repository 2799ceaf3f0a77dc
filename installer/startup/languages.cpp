#include "startup/languages.hpp"

#include <clocale>
#include <locale>
#include <stdexcept>

namespace installer {

namespace {

struct language_row {
    LCID lcid;
    WORD user_primary;  // primary language of the users who get this language by default
    std::uint32_t mask;
    bool installer_texts;
    unsigned first_string_id;
};

// Indexed by language index. The string blocks are stored in another order than the indices.
constexpr language_row language_rows[language_count] = {
    {1036, 0x0C, 0x1, true, 1000},         // French
    {1033, 0x09, 0x2, true, 2000},         // English
    {1031, 0x07, 0x4, true, 3000},         // German
    {3082, 0x0A, 0x8, true, 4000},         // Spanish
    {2070, 0x16, 0x10, true, 5000},        // Portuguese
    {1043, 0x13, 0x20, false, 7000},       // Dutch
    {1030, 0x06, 0x40, false, 8000},       // Danish
    {1055, 0x1F, 0x80, true, 9000},        // Turkish
    {1026, 0x02, 0x100, false, 11000},     // Bulgarian
    {1048, 0x18, 0x200, true, 12000},      // Romanian
    {2052, 0x04, 0x400, false, 10000},     // Chinese (Simplified)
    {1040, 0x10, 0x800, true, 6000},       // Italian
    {1029, 0x05, 0x1000, true, 13000},     // Czech
    {1044, 0x14, 0x2000, false, 14000},    // Norwegian
    {1032, 0x08, 0x4000, false, 15000},    // Greek
    {1045, 0x15, 0x8000, false, 16000},    // Polish
    {1037, 0x0D, 0x10000, false, 17000},   // Hebrew
    {1066, 0x2A, 0x20000, false, 18000},   // Vietnamese
    {1041, 0x11, 0x40000, false, 19000},   // Japanese
    {1038, 0x0E, 0x80000, true, 20000},    // Hungarian
    {2074, 0x1A, 0x100000, false, 21000},  // Serbian (Latin); Croatian and Bosnian share its primary id
};

const language_row& row(int index)
{
    if (index < 0 || index >= language_count)
        throw std::logic_error("logic error");
    return language_rows[index];
}

} // namespace

language_state& language_state::instance()
{
    static language_state state;
    return state;
}

language_state::language_state()
    : available_mask(1), index(language_french), lcid(effective_lcid(language_french)),
      resource_module(nullptr), right_to_left(false)
{
    _configthreadlocale(_DISABLE_PER_THREAD_LOCALE);
    apply_locale(language_french);
    ::SetThreadLocale(effective_lcid(language_french));
}

LCID language_lcid(int index)
{
    return row(index).lcid;
}

unsigned language_first_string_id(int index)
{
    return row(index).first_string_id;
}

LCID effective_lcid(int index)
{
    const LCID own = language_lcid(index);
    const LCID user = ::GetUserDefaultLCID();
    return LOWORD(user) == own ? user : own;
}

bool has_installer_texts(int index) noexcept
{
    return index >= 0 && index < language_count && language_rows[index].installer_texts;
}

bool is_right_to_left(int index)
{
    const LCID lcid = language_lcid(index);
    LOCALESIGNATURE signature{};
    if (::GetLocaleInfoW(lcid, LOCALE_FONTSIGNATURE, reinterpret_cast<wchar_t*>(&signature),
                         sizeof(signature) / sizeof(wchar_t)) == 0)
        return index == language_hebrew;
    // Unicode subset bit 123: the script is laid out from right to left.
    return (signature.lsUsb[3] & (1u << 27)) != 0;
}

std::string lcid_locale_name(LCID lcid)
{
    wchar_t name[85];
    if (::LCIDToLocaleName(lcid, name, 85, 0) == 0)
        return {};
    // Locale names are ASCII, so narrowing each character is exact.
    std::string result;
    for (const wchar_t* at = name; *at; ++at)
        result += static_cast<char>(*at);
    return result;
}

std::locale locale_or_fallback(const std::string& name)
{
    try {
        return std::locale(name);
    } catch (const std::runtime_error&) {
    }
    try {
        return std::locale("");
    } catch (const std::runtime_error&) {
        return std::locale::classic();
    }
}

std::string locale_name(int index)
{
    const LCID own = language_lcid(index);
    const LCID locale = PRIMARYLANGID(LANGIDFROMLCID(own)) == PRIMARYLANGID(::GetUserDefaultLangID())
                            ? LOCALE_USER_DEFAULT
                            : effective_lcid(index);
    return lcid_locale_name(locale);
}

void apply_locale(int index)
{
    const std::string name = locale_name(index);
    const std::locale chosen = locale_or_fallback(name);
    // Numbers and messages keep the conventions of the previous default locale.
    std::locale mixed(std::locale(), chosen, std::locale::collate | std::locale::ctype);
    mixed = std::locale(mixed, chosen, std::locale::monetary | std::locale::time);
    std::locale::global(mixed);

    // The C runtime formats numbers the classic way; failures here only leave the "C" conventions.
    std::setlocale(LC_ALL, "C");
    std::setlocale(LC_CTYPE, name.c_str());
    std::setlocale(LC_COLLATE, name.c_str());
    std::setlocale(LC_TIME, name.c_str());
    std::setlocale(LC_MONETARY, name.c_str());
}

void set_language(int index)
{
    language_state& state = language_state::instance();
    const LCID lcid = effective_lcid(index);  // validates the index before anything changes
    if (index != state.index)
        apply_locale(index);
    state.index = index;
    state.lcid = lcid;
    state.resource_module = nullptr;
    state.right_to_left = is_right_to_left(index);
}

int default_language(std::uint32_t mask)
{
    const std::uint32_t m = mask != 0 ? mask : language_state::instance().available_mask;
    const int fallback = (m & 0x2) ? language_english : language_french;

    const LANGID user = ::GetUserDefaultLangID();
    const WORD primary = PRIMARYLANGID(user);
    const WORD sub = SUBLANGID(user);
    for (int i = 0; i < language_count; ++i) {
        const language_row& r = language_rows[i];
        if (r.user_primary != primary)
            continue;
        if (primary == LANG_CHINESE && sub != 2 && sub != 4)
            continue;
        return (m & r.mask) ? i : fallback;
    }
    return fallback;
}

} // namespace installer
