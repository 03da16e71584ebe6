#include "ui/framework/system_dlls.h"

#include <cwchar>

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

}  // namespace

void RestrictDllSearchToSystemFolder() {
    // Looked up, not imported: a Windows 7 without KB2533623 lacks it, and an
    // import it lacks would keep the program from starting there.
    const FARPROC found = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    const auto setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(found));
    if (setDefaultDllDirectories != nullptr && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    SetDllDirectoryW(L"");
}

HMODULE LoadSystemDll(const wchar_t* name) {
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // A Windows 7 without KB2533623 refuses the flag. A full path loads that
    // file, and the altered search looks for its dependencies in its own
    // folder first and never in the program's.
    wchar_t path[MAX_PATH];
    const UINT folderLength = GetSystemDirectoryW(path, MAX_PATH);
    if (folderLength == 0 || folderLength + 1 + std::wcslen(name) >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    path[folderLength] = L'\\';
    std::wcscpy(path + folderLength + 1, name);
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
