// CWinApp: the application object. There is exactly one per process; it
// names the application after the program file, keeps the per-user profile
// in the registry and runs the wait cursor.
#pragma once

#include <windows.h>

#include <string>

class CWnd;

class CWinApp {
public:
    // Registers this object as the process's application object.
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Start-up; returning FALSE ends the process with exit code 0.
    virtual BOOL InitInstance() = 0;

    // The program file's name without directory and extension.
    const std::wstring& AppName() const { return appName_; }
    // The folder the program file was started from, with a final backslash.
    const std::wstring& AppFolder() const { return appFolder_; }

    // Profile location: HKCU\Software\<key>\<application name>\<section>.
    void SetRegistryKey(const wchar_t* key) { registryKey_ = key; }

    // Profile values: strings as REG_SZ, integers as REG_DWORD. A value that
    // is absent, of another type or unreadable yields the caller's default.
    std::wstring GetProfileString(const wchar_t* section, const wchar_t* entry,
                                  const wchar_t* defaultValue) const;
    bool WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* value);
    int GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue) const;
    bool WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value);

    // Wait cursor: counted begin and end; restore re-applies it while counted.
    void BeginWaitCursor();
    void EndWaitCursor();
    void RestoreWaitCursor();

    // The window that message boxes and dialogs without a parent belong to.
    CWnd* m_pMainWnd = nullptr;

private:
    std::wstring SectionPath(const wchar_t* section) const;

    std::wstring appFolder_;
    std::wstring appName_;
    std::wstring registryKey_;
    int waitCursorCount_ = 0;
    HCURSOR cursorBeforeWait_ = nullptr;
};

// The process's application object, or null before it is constructed.
CWinApp* AfxGetApp();

// The body of the program's entry point: runs InitInstance.
int AfxWinMain();
