#pragma once
// Window rectangles as the dialogs place them, and keeping a window on the screen.

#include <windows.h>

namespace installer {

// The window's rectangle in screen coordinates; for a child window in its parent's client coordinates.
RECT window_rect_in_parent(HWND window);

// Places the window at a rectangle in the coordinates of window_rect_in_parent; reversed corners are
// taken in their proper order. Only what changes is moved or sized.
void set_window_rect(HWND window, RECT rect);

// Shifts a rectangle, without changing its size, so that a window placed there can be seen: a top-left
// corner off every monitor is pulled onto the nearest one, and a rectangle less than half visible is then
// moved into the nearest monitor's work area. A reversed rectangle is first put in order.
void fit_rect_to_monitors(RECT& rect);

} // namespace installer
