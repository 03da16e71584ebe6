// The hook that the delay-load helper asks before it loads a DLL of the
// program's delay-import table: the DLL comes from the system folder. The
// helper's own LoadLibraryA would look in the program's folder first on a
// Windows 7 without KB2533623.
//
// This file is compiled into each program itself (kx4xx_delay_load_hook):
// the helper comes from the C runtime at the end of the link, and from an
// archive linked before it the linker would not take a hook that nothing
// else asks for, leaving the runtime's empty one in place.
#include <windows.h>
#include <delayimp.h>

#include "ui/framework/system_dlls.h"

namespace {

FARPROC WINAPI LoadFromSystemFolder(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary) return nullptr;
    // The names of an import table are ASCII.
    wchar_t name[MAX_PATH];
    size_t length = 0;
    for (; info->szDll[length] != '\0'; ++length) {
        if (length + 1 == MAX_PATH) return nullptr;
        name[length] = static_cast<wchar_t>(static_cast<unsigned char>(info->szDll[length]));
    }
    name[length] = L'\0';
    return reinterpret_cast<FARPROC>(LoadSystemDll(name));
}

}  // namespace

PfnDliHook __pfnDliNotifyHook2 = LoadFromSystemFolder;
