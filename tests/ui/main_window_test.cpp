// The main window's frame and the about box, run modally on the test's
// thread and driven from a second thread. The COM port dialog that the
// window shows at start is cancelled, so no port is opened.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cmath>
#include <string>
#include <vector>

#include "gui_test_support.h"
#include "resource.h"
#include "ui/framework/resource_language.h"
#include "ui/main/zantor_kx4xx_manager_dlg.h"
#include "ui/settings/profile_names.h"

namespace {

// The 46 controls that are enabled and disabled as one set.
std::vector<int> DeviceControlIds() {
    std::vector<int> ids = {1014, 1025, 1024, 1027, 1007, 1075, 1076, 1077, 1028, 1010, 1011,
                            1013, 1026, 1033, 1015, 1069, 1070, 1078};
    for (int row = 0; row < 7; ++row) {
        for (int first : {1061, 1043, 1034, 1053}) ids.push_back(first + row);
    }
    return ids;
}

std::wstring PaneText(HWND bar, int pane) {
    wchar_t text[128] = {};
    SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text));
    return text;
}

// What the driver saw; checked on the test's thread.
struct Observed {
    std::vector<int> enabledDeviceControls;
    std::vector<int> disabledFrameControls;
    int nameFilterCheck = -1;
    int rssiFilterCheck = -1;
    std::wstring nameFilterText;
    std::wstring rssiFilterText;
    int windowWidth = 0;
    int pane0Right = 0;
    std::wstring pane0Text;
    std::wstring pane1Text;
    int parityCount = 0;
    LRESULT paritySelectionData = 0;
    bool openAfterKeys = false;
    std::wstring aboutProduct;
    std::wstring aboutCopyright;
    bool systemMenuOpensAbout = false;
    std::wstring systemMenuItem;
};

// Opens the about box with the posted message and reads it.
HWND WaitForAbout(DWORD uiThread) { return WaitForDialogWithChild(uiThread, IDC_STATIC_PRODUCT); }

void DriveMainWindow(DWORD uiThread, Observed& seen) {
    HWND portDialog = WaitForDialogWithChild(uiThread, IDC_COMBO_COM_PORT);
    if (portDialog == nullptr) return;
    PostMessageW(portDialog, WM_COMMAND, IDCANCEL, 0);
    HWND window = WaitForDialogWithChild(uiThread, IDC_LIST_SCAN);
    if (window == nullptr) return;

    for (int id : DeviceControlIds()) {
        if (IsWindowEnabled(GetDlgItem(window, id))) seen.enabledDeviceControls.push_back(id);
    }
    for (int id : {1009, 1052, 1000, 1071, 1072, 1079}) {
        if (!IsWindowEnabled(GetDlgItem(window, id))) seen.disabledFrameControls.push_back(id);
    }
    seen.nameFilterCheck = static_cast<int>(SendDlgItemMessageW(window, IDC_CHECK_NAME_FILTER, BM_GETCHECK, 0, 0));
    seen.rssiFilterCheck = static_cast<int>(SendDlgItemMessageW(window, IDC_CHECK_RSSI_FILTER, BM_GETCHECK, 0, 0));
    seen.nameFilterText = WindowText(GetDlgItem(window, IDC_EDIT_NAME_FILTER));
    seen.rssiFilterText = WindowText(GetDlgItem(window, IDC_EDIT_RSSI_FILTER));
    HWND parity = GetDlgItem(window, IDC_COMBO_PARITY);
    seen.parityCount = static_cast<int>(SendMessageW(parity, CB_GETCOUNT, 0, 0));
    seen.paritySelectionData = SendMessageW(parity, CB_GETITEMDATA, SendMessageW(parity, CB_GETCURSEL, 0, 0), 0);

    RECT windowRect{};
    GetWindowRect(window, &windowRect);
    seen.windowWidth = windowRect.right - windowRect.left;
    HWND bar = GetDlgItem(window, IDC_STATUS_BAR);
    RECT pane0{};
    SendMessageW(bar, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&pane0));
    seen.pane0Right = pane0.right;
    seen.pane0Text = PaneText(bar, 0);
    seen.pane1Text = PaneText(bar, 1);

    HMENU systemMenu = GetSystemMenu(window, FALSE);
    wchar_t item[128] = {};
    GetMenuStringW(systemMenu, IDM_ABOUTBOX, item, 128, MF_BYCOMMAND);
    seen.systemMenuItem = item;

    // Enter and Escape go through the window's own modal loop; a posted
    // marker after them shows when they have been handled.
    static const wchar_t kMarker[] = L"keys handled";
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(GetDlgItem(window, IDC_EDIT_NAME_FILTER), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(window, WM_COMMAND, IDOK, 0);
    PostMessageW(bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(kMarker));
    WaitUntil([&] { return !IsWindow(window) || PaneText(bar, 0) == kMarker; });
    seen.openAfterKeys = IsWindow(window) && IsWindowVisible(window);
    if (!seen.openAfterKeys) return;

    PostMessageW(window, WM_COMMAND, IDM_APP_ABOUT, 0);
    if (HWND about = WaitForAbout(uiThread)) {
        seen.aboutProduct = WindowText(GetDlgItem(about, IDC_STATIC_PRODUCT));
        seen.aboutCopyright = WindowText(GetDlgItem(about, IDC_STATIC_COPYRIGHT));
        SendMessageW(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
        WaitUntil([&] { return !IsWindow(about); });
    }
    PostMessageW(window, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    if (HWND about = WaitForAbout(uiThread)) {
        seen.systemMenuOpensAbout = true;
        PostMessageW(about, WM_COMMAND, IDCANCEL, 0);
        WaitUntil([&] { return !IsWindow(about); });
    }
    // The close box reaches IDCANCEL.
    PostMessageW(window, WM_CLOSE, 0, 0);
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ClearTestProfile();
        SetSerialPortMap({{L"\\Device\\Serial0", L"COM3"}});
        CWinApp* app = AfxGetApp();
        app->WriteProfileInt(kTestSection, kProfileNameFilterCheck, 1);
        app->WriteProfileString(kTestSection, kProfileNameFilterValue, L"KX-Tag");
        app->WriteProfileInt(kTestSection, kProfileRssiFilterValue, -60);
    }
    void TearDown() override { ClearTestProfile(); }
};

TEST_F(MainWindow, StartsWithDeviceControlsDisabledAndStaysOpenOnEnterAndEscape) {
    Observed seen;
    INT_PTR result = 0;
    {
        CZANTORKX4xxManagerDlg window;
        AfxGetApp()->m_pMainWnd = &window;
        DialogDriver driver([&](DWORD uiThread) { DriveMainWindow(uiThread, seen); });
        result = window.DoModal();
        AfxGetApp()->m_pMainWnd = nullptr;
    }
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_TRUE(seen.openAfterKeys) << "Enter or Escape closed the main window";
    EXPECT_EQ(DeviceControlIds().size(), 46u);
    EXPECT_TRUE(seen.enabledDeviceControls.empty()) << "first enabled: " << seen.enabledDeviceControls.front();
    EXPECT_TRUE(seen.disabledFrameControls.empty());

    EXPECT_EQ(seen.nameFilterCheck, BST_CHECKED);
    EXPECT_EQ(seen.rssiFilterCheck, BST_UNCHECKED);
    EXPECT_EQ(seen.nameFilterText, L"KX-Tag");
    EXPECT_EQ(seen.rssiFilterText, L"-60");
    EXPECT_EQ(seen.parityCount, 3);
    EXPECT_EQ(seen.paritySelectionData, 'N');

    EXPECT_EQ(seen.pane0Right, static_cast<int>(seen.windowWidth * 0.7));
    EXPECT_EQ(seen.pane0Text, LoadUiString(IDS_COM_PORT_CLOSED));
    EXPECT_EQ(seen.pane1Text, L"Version 1.1.0");
    EXPECT_EQ(seen.systemMenuItem, LoadUiString(IDS_ABOUTBOX));

    EXPECT_EQ(seen.aboutProduct, L"ZANTOR-KX400 Manager Ver 1.1.0");
    // Both languages read the Korean table: by language match on a Korean
    // system, as the first Translation entry elsewhere.
    EXPECT_EQ(seen.aboutCopyright, L"Copyright (C) 2026 Norvane. All rights reserved.");
    EXPECT_TRUE(seen.systemMenuOpensAbout);
}

TEST_F(MainWindow, EnableDeviceControlsWithoutAWindowDoesNothing) {
    CZANTORKX4xxManagerDlg window;
    window.EnableDeviceControls(true);
    window.ClosePort();
    EXPECT_FALSE(window.IsWindow());
}

}  // namespace
