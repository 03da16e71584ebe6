// The caption font of the main window's group boxes, derived from the
// dialog's font.
#pragma once

#include <windows.h>

// Two logical units larger in either sign convention of the height, bold.
LOGFONTW GroupCaptionFont(const LOGFONTW& dialogFont);
