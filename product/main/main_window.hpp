#pragma once
// The product's main window: a small window in the product's language; it shows the project file it was
// asked to open, if any.

#include <string>

namespace product {

// Runs the window until the user closes it; returns the program's exit code.
int run_main_window(const std::wstring& project_file);

// Ids of the window's template and its controls.
inline constexpr int main_window_template = 200;
inline constexpr int heading_control = 201;
inline constexpr int version_control = 202;
inline constexpr int body_control = 204;

} // namespace product
