#pragma once
// The process's application icon, as the program entry provides it.

#include <windows.h>

#include <functional>

namespace installer {

// Replaces the provider; an empty function empties the slot.
void set_app_icon_provider(std::function<HICON()> provider);
// The provider's icon; null while the slot is empty.
HICON app_icon();

} // namespace installer
