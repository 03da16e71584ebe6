// A DLL that says it was loaded. Placed beside a program under the name of a
// DLL that the program might look for, it leaves the empty file
// "<its own file name>.loaded" in the folder that KX4XX_PLANTED_MARKERS
// names. It exports nothing: a program that loaded it has run its code, with
// or without functions to bind.
#include <windows.h>

#include <cwchar>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t folder[MAX_PATH];
    wchar_t module[MAX_PATH];
    const DWORD folderLength = GetEnvironmentVariableW(L"KX4XX_PLANTED_MARKERS", folder, MAX_PATH);
    const DWORD moduleLength = GetModuleFileNameW(self, module, MAX_PATH);
    if (folderLength == 0 || folderLength >= MAX_PATH || moduleLength == 0 || moduleLength >= MAX_PATH) return TRUE;
    const wchar_t* slash = std::wcsrchr(module, L'\\');
    const wchar_t* name = slash != nullptr ? slash + 1 : module;
    // Both parts are shorter than MAX_PATH.
    wchar_t marker[2 * MAX_PATH + 16];
    std::swprintf(marker, sizeof marker / sizeof marker[0], L"%ls\\%ls.loaded", folder, name);
    const HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return TRUE;
}
