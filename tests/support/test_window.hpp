#pragma once
// Plain windows for tests: a top-level host for pages, and child probes that record how they were placed.

#include "system/unique_any.hpp"

#include <windows.h>

#include <vector>

namespace test_support {

// A visible top-level window with the given client size, at the desktop's top-left corner.
mv::unique_window make_host_window(int client_width, int client_height, DWORD ex_style = 0);

// A child window that records the flags of every position change it is asked for.
class position_probe {
public:
    position_probe(HWND parent, const RECT& rect);
    // The window keeps the probe's address.
    position_probe(const position_probe&) = delete;
    position_probe& operator=(const position_probe&) = delete;

    HWND get() const noexcept { return window_.get(); }
    // Flags of each WM_WINDOWPOSCHANGING since the last clear.
    const std::vector<UINT>& flags() const noexcept { return flags_; }
    void clear() { flags_.clear(); }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

    std::vector<UINT> flags_;
    mv::unique_window window_;
};

} // namespace test_support
