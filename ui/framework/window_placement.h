// Where the framework puts a dialog when it first shows it: centred on its
// owner while the owner is visible, otherwise on the work area of the
// monitor it belongs to, and moved back inside that work area when it would
// stick out.
#pragma once

#include <windows.h>

// The top-left corner that centres a window of the given size on center,
// kept inside area (the left and top edges win when it does not fit).
POINT CenteredOrigin(SIZE window, const RECT& center, const RECT& area);

// Moves window (a top-level window) as described above; its size and
// Z order stay.
void CenterWindow(HWND window);
