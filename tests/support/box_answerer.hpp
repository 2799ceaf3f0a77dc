#pragma once
// Answers the message boxes of the test's own thread and records what they showed.

#include "system/unique_any.hpp"

#include <windows.h>

#include <string>
#include <vector>

namespace test_support {

struct shown_box {
    std::wstring caption;
    std::wstring text;
    HICON icon = nullptr;        // the icon it shows; null when it shows none
    HWND owner = nullptr;
    LONG_PTR ex_style = 0;       // of the box
    LONG_PTR text_ex_style = 0;  // of its text control
};

// While it lives, every dialog box that the thread activates is recorded and closed with `button`.
class box_answerer {
public:
    explicit box_answerer(int button);
    ~box_answerer();
    box_answerer(const box_answerer&) = delete;
    box_answerer& operator=(const box_answerer&) = delete;

    const std::vector<shown_box>& boxes() const { return boxes_; }

private:
    static LRESULT CALLBACK on_cbt(int code, WPARAM wparam, LPARAM lparam);
    void record(HWND box);

    int button_;
    std::vector<shown_box> boxes_;
    mv::unique_hook hook_;
};

} // namespace test_support
