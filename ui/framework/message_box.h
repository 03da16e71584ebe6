// Message boxes with the application's name as caption, owned by the
// thread's active window or else the application's main window.
#pragma once

#include <windows.h>

int AfxMessageBox(const wchar_t* text, UINT type);
// The text is the string-table entry of the program's language.
int AfxMessageBox(UINT stringId, UINT type);
