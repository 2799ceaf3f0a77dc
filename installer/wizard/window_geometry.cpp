#include "wizard/window_geometry.hpp"

#include <cstdint>
#include <utility>

namespace installer {
namespace {

RECT normalised(RECT rect)
{
    if (rect.right < rect.left)
        std::swap(rect.left, rect.right);
    if (rect.bottom < rect.top)
        std::swap(rect.top, rect.bottom);
    return rect;
}

std::uint64_t area(const RECT& rect)
{
    return std::uint64_t(rect.right - rect.left) * std::uint64_t(rect.bottom - rect.top);
}

BOOL CALLBACK add_visible_area(HMONITOR, HDC, LPRECT monitor, LPARAM data)
{
    auto& [rect, visible] = *reinterpret_cast<std::pair<RECT, std::uint64_t>*>(data);
    RECT shown;
    if (::IntersectRect(&shown, &rect, monitor))
        visible += area(shown);
    return TRUE;
}

bool monitor_info(HMONITOR monitor, MONITORINFO& info)
{
    info = MONITORINFO{};
    info.cbSize = sizeof(info);
    return monitor && ::GetMonitorInfoW(monitor, &info);
}

// The top-left corner onto the nearest edge of the monitor nearest to it, when it lies outside.
void pull_corner_onto_monitor(RECT& rect, const RECT& monitor)
{
    LONG dx = 0;
    LONG dy = 0;
    if (rect.left < monitor.left)
        dx = monitor.left - rect.left;
    else if (rect.left >= monitor.right)
        dx = monitor.right - rect.left;
    if (rect.top < monitor.top)
        dy = monitor.top - rect.top;
    else if (rect.top >= monitor.bottom)
        dy = monitor.bottom - rect.top;
    ::OffsetRect(&rect, dx, dy);
}

// In this order, so that a rectangle larger than the work area keeps its top-left corner visible.
void shift_into(RECT& rect, const RECT& work)
{
    if (rect.right > work.right)
        ::OffsetRect(&rect, work.right - rect.right, 0);
    if (rect.left < work.left)
        ::OffsetRect(&rect, work.left - rect.left, 0);
    if (rect.bottom > work.bottom)
        ::OffsetRect(&rect, 0, work.bottom - rect.bottom);
    if (rect.top < work.top)
        ::OffsetRect(&rect, 0, work.top - rect.top);
}

} // namespace

RECT window_rect_in_parent(HWND window)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    if (::GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD)
        // Two points, so that a mirrored (right-to-left) parent gives left < right.
        ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void set_window_rect(HWND window, RECT rect)
{
    rect = normalised(rect);
    const RECT current = window_rect_in_parent(window);
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
    if (rect.left == current.left && rect.top == current.top)
        flags |= SWP_NOMOVE;
    if (rect.right - rect.left == current.right - current.left && rect.bottom - rect.top == current.bottom - current.top)
        flags |= SWP_NOSIZE;
    else
        flags |= SWP_NOCOPYBITS;
    ::SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, flags);
}

void fit_rect_to_monitors(RECT& rect)
{
    rect = normalised(rect);
    MONITORINFO info;
    if (!monitor_info(::MonitorFromPoint(POINT{rect.left, rect.top}, MONITOR_DEFAULTTONEAREST), info))
        return;
    pull_corner_onto_monitor(rect, info.rcMonitor);

    std::pair<RECT, std::uint64_t> visible{rect, 0};
    if (!::EnumDisplayMonitors(nullptr, &rect, add_visible_area, reinterpret_cast<LPARAM>(&visible)))
        return;
    if (visible.second >= area(rect) * 50 / 100)
        return;
    if (monitor_info(::MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), info))
        shift_into(rect, info.rcWork);
}

} // namespace installer
