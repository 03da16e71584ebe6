#include "ui/framework/window_placement.h"

namespace {

RECT WorkAreaOf(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return monitor.rcWork;
    RECT area{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

}  // namespace

POINT CenteredOrigin(SIZE window, const RECT& center, const RECT& area) {
    LONG left = (center.left + center.right) / 2 - window.cx / 2;
    LONG top = (center.top + center.bottom) / 2 - window.cy / 2;
    if (left + window.cx > area.right) left = area.right - window.cx;
    if (left < area.left) left = area.left;
    if (top + window.cy > area.bottom) top = area.bottom - window.cy;
    if (top < area.top) top = area.top;
    return {left, top};
}

void CenterWindow(HWND window) {
    HWND owner = ::GetWindow(window, GW_OWNER);
    // A hidden or minimised owner gives no place to centre on.
    if (owner != nullptr && (!::IsWindowVisible(owner) || ::IsIconic(owner))) owner = nullptr;
    const RECT area = WorkAreaOf(owner != nullptr ? owner : window);
    RECT center = area;
    if (owner != nullptr) ::GetWindowRect(owner, &center);
    RECT bounds{};
    ::GetWindowRect(window, &bounds);
    const POINT origin = CenteredOrigin({bounds.right - bounds.left, bounds.bottom - bounds.top}, center, area);
    ::SetWindowPos(window, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
