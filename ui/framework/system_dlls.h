// Where the process takes its DLLs from: the system folder only. Windows
// looks for a DLL named without a path in the program's own folder first, so
// a program started from a download folder would run any DLL of a wanted
// name that lies beside it.
#pragma once

#include <windows.h>

// Takes the program's folder and the current folder out of the DLL search of
// the whole process; the first thing each program does. Windows 8 and later,
// and Windows 7 with KB2533623, search only the system folder from then on;
// an older Windows 7 loses only the current folder.
void RestrictDllSearchToSystemFolder();

// A DLL of the system folder by file name, its own dependencies taken from
// the system folder too; null on failure, with GetLastError set.
HMODULE LoadSystemDll(const wchar_t* name);
