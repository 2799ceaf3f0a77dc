#include "support/test_window.hpp"

namespace test_support {
namespace {

const wchar_t host_class[] = L"test_support_host";
const wchar_t probe_class[] = L"test_support_probe";

void register_class(const wchar_t* name, WNDPROC procedure)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = procedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    ::RegisterClassW(&wc);
}

} // namespace

mv::unique_window make_host_window(int client_width, int client_height, DWORD ex_style)
{
    static const bool registered = (register_class(host_class, ::DefWindowProcW), true);
    (void)registered;
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT outer{0, 0, client_width, client_height};
    ::AdjustWindowRectEx(&outer, style, FALSE, ex_style);
    mv::unique_window host(::CreateWindowExW(ex_style, host_class, L"Test host", style, 0, 0, outer.right - outer.left,
                                             outer.bottom - outer.top, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                             nullptr));
    if (host) {
        ::ShowWindow(host.get(), SW_SHOWNORMAL);
        ::UpdateWindow(host.get());
    }
    return host;
}

position_probe::position_probe(HWND parent, const RECT& rect)
{
    static const bool registered = (register_class(probe_class, procedure), true);
    (void)registered;
    window_.reset(::CreateWindowExW(0, probe_class, L"", WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                                    rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr));
    ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT CALLBACK position_probe::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_WINDOWPOSCHANGING) {
        if (auto* probe = reinterpret_cast<position_probe*>(::GetWindowLongPtrW(window, GWLP_USERDATA)))
            probe->flags_.push_back(reinterpret_cast<const WINDOWPOS*>(lparam)->flags);
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
}

} // namespace test_support
