// Support for tests that run the real dialogs on the test's thread and drive
// them from a second thread: an application object for the profile, the
// start of the common controls, GDI+ and rich edit, window look-ups that
// wait (bounded) for a window to appear, and registry set-up.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ui/framework/win_app.h"

// The profile section every test uses.
extern const wchar_t* const kTestSection;

// True when this run shows the Korean resources.
bool KoreanRun();

// The static text every message box shows its message in.
constexpr int kMessageBoxText = 0xFFFF;

// The visible top-level dialogs of the given thread that have a child with
// childId, topmost first; empty when there is none now.
std::vector<HWND> DialogsWithChild(DWORD threadId, int childId);

// The top-level dialog of the given thread that has a child with childId,
// waited for up to 10 s; null when none appeared.
HWND WaitForDialogWithChild(DWORD threadId, int childId);

// A message box of the thread (a dialog with the static text
// kMessageBoxText), waited for like WaitForDialogWithChild.
HWND WaitForMessageBox(DWORD threadId);

// Waits up to 10 s for the condition; returns its last value.
bool WaitUntil(const std::function<bool()>& condition);

std::wstring WindowText(HWND window);

// Runs driver on a second thread while the caller's thread runs dialogs;
// the destructor joins it.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(DWORD uiThread)> driver);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

private:
    std::thread thread_;
};

// Replaces the serial port map with the given values (name, data) in order.
struct SerialMapValue {
    const wchar_t* name;
    const wchar_t* text;
};
void SetSerialPortMap(std::initializer_list<SerialMapValue> values);
// Removes the whole profile section of the test program.
void ClearTestProfile();
