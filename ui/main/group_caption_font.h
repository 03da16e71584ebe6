// The caption font of the main window's group boxes, derived from the
// dialog's font.
#pragma once

#include <windows.h>

// Two pixels (at 96 DPI, scaled to dpi) larger in either sign convention of
// the height, bold. The dialog font is already made for dpi.
LOGFONTW GroupCaptionFont(const LOGFONTW& dialogFont, UINT dpi);
