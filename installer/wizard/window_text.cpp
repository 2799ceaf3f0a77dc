#include "wizard/window_text.hpp"

namespace installer {

std::wstring window_text(HWND window)
{
    // The length is an upper bound (it may count a double-byte conversion); the copy tells the real one.
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

} // namespace installer
