// The catch at the boundaries where Win32 calls the program (dialog and
// window procedures, thread procedures): an exception must not cross the
// system's own frames, which the 32-bit build cannot unwind through, so it
// is caught there and shown in an error box, and the program carries on.
#pragma once

#include <windows.h>

// Shows the exception being handled in an error box owned by owner (may be
// null): the text of a system error from the system in the user's language,
// what() of any other exception (UTF-8), or a generic text. Call only from a
// catch block. While one such box is shown on the thread, further failures
// on it are not shown again (the box's own message loop may meet them).
void ReportCaughtException(HWND owner) noexcept;
