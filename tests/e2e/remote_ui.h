// Driving a Windows program from outside, through the window tree only.
//   RemoteProgram   the program file started as a process of its own, with
//                   look-ups of its dialogs and message boxes
//   free functions  waits, window texts, list view items read and selected
//                   across the process boundary, the program's own strings,
//                   the application profile, screenshots of the screen
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Waits up to limitMs for the condition, checking every 20 ms; returns its
// last value. Every wait of the driver is bounded this way.
bool WaitUntil(const std::function<bool()>& condition, DWORD limitMs = 20000);

std::wstring WindowText(HWND window);
// An environment variable's value; empty when it is not set.
std::wstring Environment(const wchar_t* name);

class RemoteProgram {
public:
    // Starts the program file with the command-line arguments; Started()
    // says whether that worked.
    explicit RemoteProgram(const std::wstring& path, const std::wstring& arguments = L"");
    // Ends the process if it still runs (a failed scenario), and waits for it.
    ~RemoteProgram();
    RemoteProgram(const RemoteProgram&) = delete;
    RemoteProgram& operator=(const RemoteProgram&) = delete;

    bool Started() const { return process_ != nullptr; }
    HANDLE Process() const { return process_; }
    DWORD Id() const { return processId_; }

    // The program's visible top-level dialog (class "#32770") that has a
    // child with childId, waited for up to limitMs; null when none appeared.
    HWND WaitForDialog(int childId, DWORD limitMs = 20000) const;
    // The program's message box: a "#32770" window with the text 0xFFFF.
    HWND WaitForMessageBox(DWORD limitMs = 20000) const;
    // Waits for the process to end; true when it did within limitMs.
    bool WaitForExit(DWORD limitMs) const;
    DWORD ExitCode() const;

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

// Report-mode list view of another process.
int ListRowCount(HWND list);
std::wstring ListItemText(HANDLE process, HWND list, int row, int column);
void SelectListRow(HANDLE process, HWND list, int row);
// A pane of a status bar of another process.
std::wstring StatusPaneText(HANDLE process, HWND bar, int pane);

// A string of the program file's string table in the given language
// (LANG_NEUTRAL for English, LANG_KOREAN), read as resources of the file.
std::wstring ProgramString(const std::wstring& programPath, UINT id, WORD primaryLanguage);

// The program's profile in HKEY_CURRENT_USER, where the program keeps what
// outlives a run.
extern const wchar_t* const kProfileKey;
void DeleteProfile();
void WriteProfileText(const wchar_t* value, const std::wstring& text);
void WriteProfileNumber(const wchar_t* value, long number);
std::wstring ReadProfileText(const wchar_t* value);
// -1 when the value is missing.
long long ReadProfileNumber(const wchar_t* value);

// Saves the whole screen as PNG; false when it could not.
bool SaveScreenshot(const std::wstring& file);
