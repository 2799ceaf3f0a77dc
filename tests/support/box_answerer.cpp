#include "support/box_answerer.hpp"

#include <stdexcept>

namespace test_support {
namespace {

thread_local box_answerer* current = nullptr;

std::wstring class_name(HWND window)
{
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

struct box_parts {
    HWND text = nullptr;
    HWND icon = nullptr;
};

// The text is the static control that is not an icon; the icon control counts only when visible.
BOOL CALLBACK find_parts(HWND child, LPARAM param)
{
    auto* parts = reinterpret_cast<box_parts*>(param);
    if (_wcsicmp(class_name(child).c_str(), L"Static") != 0)
        return TRUE;
    if ((::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        if (::GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE)  // the box itself is not visible yet
            parts->icon = child;
    } else if (!parts->text) {
        parts->text = child;
    }
    return TRUE;
}

std::wstring text_of(HWND window)
{
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

} // namespace

box_answerer::box_answerer(int button) : button_(button)
{
    if (current)
        throw std::logic_error("one box answerer per thread");
    current = this;
    hook_.reset(::SetWindowsHookExW(WH_CBT, on_cbt, nullptr, ::GetCurrentThreadId()));
    if (!hook_) {
        current = nullptr;
        throw std::runtime_error("cannot hook the thread's windows");
    }
}

box_answerer::~box_answerer()
{
    hook_.reset();
    current = nullptr;
}

LRESULT CALLBACK box_answerer::on_cbt(int code, WPARAM wparam, LPARAM lparam)
{
    const HWND window = reinterpret_cast<HWND>(wparam);
    if (code == HCBT_ACTIVATE && current && class_name(window) == L"#32770") {
        current->record(window);
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(current->button_, BN_CLICKED), 0);
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

void box_answerer::record(HWND box)
{
    box_parts parts;
    ::EnumChildWindows(box, find_parts, reinterpret_cast<LPARAM>(&parts));
    shown_box shown;
    shown.caption = text_of(box);
    shown.text = parts.text ? text_of(parts.text) : std::wstring();
    shown.icon = parts.icon ? reinterpret_cast<HICON>(::SendMessageW(parts.icon, STM_GETICON, 0, 0)) : nullptr;
    shown.owner = ::GetWindow(box, GW_OWNER);
    shown.ex_style = ::GetWindowLongPtrW(box, GWL_EXSTYLE);
    shown.text_ex_style = parts.text ? ::GetWindowLongPtrW(parts.text, GWL_EXSTYLE) : 0;
    boxes_.push_back(shown);
}

} // namespace test_support
