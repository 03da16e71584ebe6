// The main window run modally on the test's thread against the simulated
// adapter on a mapped COM port, and a user on a second thread who confirms
// dialogs, types, clicks and reads what the window shows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui_test_support.h"
#include "resource.h"
#include "tests/support/sim_link.h"
#include "ui/framework/resource_language.h"
#include "ui/main/zantor_kx4xx_manager_dlg.h"

struct SeenBox {
    std::wstring text;
    HICON icon = nullptr;
};

inline HICON SystemIcon(LPCWSTR id) { return LoadIconW(nullptr, id); }

inline std::wstring Text(UINT id) { return LoadUiString(id); }

inline std::wstring Format(UINT id, int slot) {
    wchar_t text[256];
    swprintf(text, 256, Text(id).c_str(), slot);
    return text;
}

inline std::wstring PaneText(HWND window, int pane) {
    wchar_t text[128] = {};
    SendDlgItemMessageW(window, IDC_STATUS_BAR, SB_GETTEXTW, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text));
    return text;
}

// What the user does and sees, from the driving thread.
class User {
public:
    User(DWORD uiThread, SimLink& sim) : uiThread_(uiThread), sim_(sim) {}

    // Confirms the COM port dialog and waits for the main window.
    HWND AcceptPortDialog() {
        HWND portDialog = WaitForDialogWithChild(uiThread_, IDC_COMBO_COM_PORT);
        if (portDialog == nullptr) return nullptr;
        PostMessageW(portDialog, WM_COMMAND, IDOK, 0);
        WaitUntil([&] { return !IsWindow(portDialog); });
        window = WaitForDialogWithChild(uiThread_, IDC_LIST_SCAN);
        return window;
    }
    void CancelPortDialog() {
        HWND portDialog = WaitForDialogWithChild(uiThread_, IDC_COMBO_COM_PORT);
        ASSERT_NE(portDialog, nullptr);
        PostMessageW(portDialog, WM_COMMAND, IDCANCEL, 0);
        WaitUntil([&] { return !IsWindow(portDialog); });
    }
    // Ready: the device controls are enabled and no command is pending.
    bool WaitReady() {
        return WaitUntil([&] { return IsWindowEnabled(Item(IDC_BTN_UPDATE)) && IsWindowEnabled(Item(IDC_BTN_SCAN)); });
    }
    bool Connect() { return AcceptPortDialog() != nullptr && WaitReady(); }

    DWORD UiThread() const { return uiThread_; }
    HWND Item(int id) const { return GetDlgItem(window, id); }
    std::wstring ItemText(int id) const { return WindowText(Item(id)); }
    void SetText(int id, const std::wstring& text) const {
        SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    // Posted, since the handler may open a modal box.
    void Click(int id) const { PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id))); }
    void SetCheck(int id, bool on) const { SendMessageW(Item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
    LRESULT SelectedData(int id) const {
        const LRESULT selection = SendMessageW(Item(id), CB_GETCURSEL, 0, 0);
        return selection < 0 ? -1 : SendMessageW(Item(id), CB_GETITEMDATA, static_cast<WPARAM>(selection), 0);
    }
    void SelectData(int id, LRESULT data) const {
        const int count = static_cast<int>(SendMessageW(Item(id), CB_GETCOUNT, 0, 0));
        for (int index = 0; index < count; ++index) {
            if (SendMessageW(Item(id), CB_GETITEMDATA, static_cast<WPARAM>(index), 0) == data) {
                SendMessageW(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
            }
        }
    }
    bool ReadOnly(int id) const { return (GetWindowLongW(Item(id), GWL_STYLE) & ES_READONLY) != 0; }

    // Waits for a message box, reads it and presses the given button.
    SeenBox AnswerBox(int button = IDOK) const {
        SeenBox seen;
        HWND box = WaitForMessageBox(uiThread_);
        if (box == nullptr) return seen;
        seen.text = WindowText(GetDlgItem(box, kMessageBoxText));
        // Wine's message box keeps its icon in the static control 0x0440.
        seen.icon = reinterpret_cast<HICON>(SendDlgItemMessageW(box, 0x0440, STM_GETICON, 0, 0));
        PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
        WaitUntil([&] { return !IsWindow(box); });
        return seen;
    }
    void ExpectBox(const std::wstring& text, LPCWSTR icon, int button = IDOK) const {
        const SeenBox seen = AnswerBox(button);
        EXPECT_EQ(seen.text, text);
        EXPECT_EQ(seen.icon, SystemIcon(icon));
    }

    std::vector<std::string> Record() const { return sim_.Record(); }
    bool WaitForCommand(const std::string& command) const {
        return WaitUntil([&] {
            const auto record = sim_.Record();
            return std::find(record.begin(), record.end(), command) != record.end();
        });
    }
    int ListRows() const { return static_cast<int>(SendMessageW(Item(IDC_LIST_SCAN), LVM_GETITEMCOUNT, 0, 0)); }
    std::wstring ListText(int row, int column) const {
        wchar_t buffer[128] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer;
        item.cchTextMax = 128;
        SendMessageW(Item(IDC_LIST_SCAN), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return buffer;
    }
    void SelectListRow(int row) const {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED;
        item.state = LVIS_SELECTED;
        SendMessageW(Item(IDC_LIST_SCAN), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }

    // Returns once the UI thread has handled every message posted before the
    // call: a marker posted now has reached the status bar.
    void CatchUp() const {
        static wchar_t marker[32];  // read by the UI thread when it handles the message
        static int count = 0;
        swprintf(marker, 32, L"marker %d", ++count);
        const std::wstring expected = marker;
        PostMessageW(Item(IDC_STATUS_BAR), SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(marker));
        WaitUntil([&] { return PaneText(window, 1) == expected; });
    }

    // Closes whatever box is open and then the window, so that DoModal returns.
    void CloseEverything() const {
        if (window == nullptr) return;
        WaitUntil([&] {
            if (!IsWindow(window)) return true;
            HWND box = GetWindow(window, GW_ENABLEDPOPUP);
            if (box != nullptr && box != window) {
                PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            } else {
                PostMessageW(window, WM_CLOSE, 0, 0);
            }
            Sleep(50);
            return !IsWindow(window);
        });
    }

    HWND window = nullptr;

private:
    DWORD uiThread_;
    SimLink& sim_;
};

class DeviceWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const char* com = std::getenv("KX4XX_SIM_COM");
        if (com == nullptr) GTEST_SKIP() << "no simulated adapter: run through scripts/wine-tests.sh";
        ClearTestProfile();
        const std::wstring port(com, com + strlen(com));
        portName_ = port;
        SetSerialPortMap({{L"\\Device\\Serial0", port.c_str()}});
        sim_ = std::make_unique<SimLink>();
        sim_->Set("jitter 0");
    }
    void TearDown() override { ClearTestProfile(); }

    // Runs the window with the driver; the driver's end closes the window.
    void Run(const std::function<void(User&)>& drive) {
        CZANTORKX4xxManagerDlg window;
        window_ = &window;
        AfxGetApp()->m_pMainWnd = &window;
        {
            DialogDriver driver([&](DWORD uiThread) {
                User user(uiThread, *sim_);
                drive(user);
                user.CloseEverything();
            });
            window.DoModal();
        }
        AfxGetApp()->m_pMainWnd = nullptr;
        window_ = nullptr;
    }

    std::wstring portName_;
    std::unique_ptr<SimLink> sim_;
    CZANTORKX4xxManagerDlg* window_ = nullptr;
};
