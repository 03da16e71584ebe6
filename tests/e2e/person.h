// Person: what a user does with the program's windows, from outside the
// program: the port dialog, buttons, edit boxes, lists, message boxes and
// the close box, all through the window tree.
#pragma once

#include <windows.h>

#include <string>

#include "tests/e2e/remote_ui.h"

class Person {
public:
    // Starts the program file.
    explicit Person(const std::wstring& program);

    RemoteProgram& Program() { return program_; }

    // The port dialog, waited for.
    HWND PortDialog() const { return program_.WaitForDialog(1001 /* IDC_COMBO_COM_PORT */); }
    // The port the dialog shows as chosen.
    std::wstring ChosenPort() const;
    // Picks the port in the dialog's list (empty: keeps the preselection),
    // presses OK and waits for the main window; false when a step failed.
    bool ChoosePort(const std::wstring& port = L"");
    // The main window, waited for up to limitMs; null when it is not there.
    HWND FindMainWindow(DWORD limitMs = 20000);
    // Ready: the device controls are enabled.
    bool WaitReady(DWORD limitMs = 20000) const;

    HWND Window() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    std::wstring ItemText(int id) const { return WindowText(Item(id)); }
    // Clicks into the edit box, which takes the focus from wherever it was
    // (a person's way; the program saves some texts when they lose it), and
    // replaces its text.
    void Type(int id, const std::wstring& text) const;
    // Posted, as a click whose handler opens a modal box must be.
    void Click(int id) const { PostMessageW(Item(id), BM_CLICK, 0, 0); }
    void SetCheck(int id, bool on) const;
    LRESULT SelectedData(int id) const;
    void SelectData(int id, LRESULT data) const;
    // A menu command, as the menu sends it.
    void Menu(int commandId) const { PostMessageW(window_, WM_COMMAND, MAKEWPARAM(commandId, 0), 0); }
    void PressCloseBox() const { PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0); }
    std::wstring StatusPane(int pane) const;

    int ListRows() const;
    std::wstring ListText(int row, int column) const;
    void SelectListRow(int row) const;

    // Waits for a message box, returns its text and presses the button.
    std::wstring AnswerBox(int button = IDOK) const;

private:
    RemoteProgram program_;
    HWND window_ = nullptr;
};
