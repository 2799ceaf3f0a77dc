// The installer's entry. For now it greets the user in the language of the user's regional settings.

#include "startup/languages.hpp"
#include "startup/product.hpp"
#include "startup/strings.hpp"
#include "startup/text_format.hpp"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    using namespace installer;
    // Languages offered at start: all but Danish, Bulgarian, Norwegian and Japanese.
    int language = default_language(0x1BDEBF);
    if (!has_installer_texts(language))
        language = language_english;
    set_language(language);
    const std::wstring text = format_text(load_string(1100), product_title(false));
    ::MessageBoxW(nullptr, text.c_str(), window_caption(true).c_str(), MB_OK | MB_ICONINFORMATION);
    return 0;
}
