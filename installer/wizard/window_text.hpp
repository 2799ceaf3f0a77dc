#pragma once
// The whole text of a window.

#include <windows.h>

#include <string>

namespace installer {

// Empty for a window without text or for no window at all.
std::wstring window_text(HWND window);

} // namespace installer
