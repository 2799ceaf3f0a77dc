#include "wizard/error_text.hpp"

#include "startup/strings.hpp"

#include <memory>

namespace installer {
namespace {

struct local_free {
    void operator()(wchar_t* p) const noexcept { ::LocalFree(p); }
};

// The system's message, empty when it has none for the code in that language.
std::wstring format_message(DWORD code, LANGID language, DWORD& error)
{
    wchar_t* raw = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        language, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
    error = length ? ERROR_SUCCESS : ::GetLastError();
    const std::unique_ptr<wchar_t, local_free> owned(raw);
    return length ? std::wstring(raw, length) : std::wstring();
}

} // namespace

std::wstring system_error_text(DWORD code, LANGID language)
{
    DWORD error = ERROR_SUCCESS;
    std::wstring text = format_message(code, language, error);
    if (text.empty() && error == ERROR_RESOURCE_LANG_NOT_FOUND)
        text = format_message(code, 0, error);

    const auto end = text.find_last_not_of(L"\r\n");
    text.erase(end == std::wstring::npos ? 0 : end + 1);
    if (!text.empty())
        return text;
    if (code == static_cast<DWORD>(E_FAIL))
        return L"Error";
    return system_error_text(static_cast<DWORD>(E_FAIL), language);
}

std::wstring error_text(DWORD code)
{
    if (code & customer_bit) {
        if (code & string_resource_bit) {
            const std::wstring_view text = load_resource_string(LOWORD(code));
            if (!text.empty())
                return std::wstring(text);
        }
        return system_error_text(static_cast<DWORD>(E_FAIL), 0);
    }
    return system_error_text(code, 0);
}

} // namespace installer
