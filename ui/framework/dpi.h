// The DPI a window is shown at, and pixel sizes designed at 96 DPI (100 %)
// scaled to it. Dialog templates scale with their font by themselves; sizes
// the code sets in pixels (list columns, frame widths, font offsets) go
// through ScaleForDpi.
#pragma once

#include <windows.h>

constexpr UINT kDesignDpi = 96;

// The window's DPI: its monitor's under per-monitor awareness (Windows 10
// 1607 and later), else the system's.
UINT WindowDpi(HWND window);

// pixelsAt96 at dpi, rounded to the nearest pixel (negative sizes too).
inline int ScaleForDpi(int pixelsAt96, UINT dpi) { return MulDiv(pixelsAt96, static_cast<int>(dpi), kDesignDpi); }
