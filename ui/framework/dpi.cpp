#include "ui/framework/dpi.h"

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// GetDpiForWindow exists from Windows 10 1607 on; earlier systems have one
// DPI for every monitor, the screen's.
GetDpiForWindowFunction GetDpiForWindowOfSystem() {
    static const auto function = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return function;
}

}  // namespace

UINT WindowDpi(HWND window) {
    if (GetDpiForWindowFunction getDpi = GetDpiForWindowOfSystem(); getDpi != nullptr && window != nullptr) {
        const UINT dpi = getDpi(window);
        if (dpi != 0) return dpi;
    }
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen != nullptr) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}
