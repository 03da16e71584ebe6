// Where dialogs first appear: the main window centred on the work area, the
// COM port dialog and the about box centred on the main window once it is
// visible, and on the work area before; and the arithmetic that keeps a
// centred window inside the work area.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "gui_test_support.h"
#include "resource.h"
#include "ui/framework/window_placement.h"
#include "ui/main/zantor_kx4xx_manager_dlg.h"

namespace {

TEST(CenteredOrigin, CentresAndKeepsTheWindowInsideTheArea) {
    const RECT screen{0, 0, 1000, 700};
    const struct {
        const char* name;
        SIZE window;
        RECT center;
        RECT area;
        POINT expected;
    } cases[] = {
        {"on the area", {400, 300}, screen, screen, {300, 200}},
        {"on an owner", {200, 100}, {100, 100, 500, 400}, screen, {200, 200}},
        {"owner at the left and top edges", {400, 300}, {0, 0, 200, 100}, screen, {0, 0}},
        {"owner at the right and bottom edges", {400, 300}, {900, 600, 1000, 700}, screen, {600, 400}},
        {"owner partly off the area", {200, 100}, {-300, -200, 100, 100}, screen, {0, 0}},
        // Too big for the area: its top-left corner stays visible.
        {"larger than the area", {1200, 900}, screen, screen, {0, 0}},
        {"area of a second monitor", {100, 100}, {1000, 0, 1600, 600}, {1000, 0, 1600, 600}, {1250, 250}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const POINT origin = CenteredOrigin(c.window, c.center, c.area);
        EXPECT_EQ(origin.x, c.expected.x);
        EXPECT_EQ(origin.y, c.expected.y);
    }
}

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT WorkArea(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor.rcWork;
}

// The window's centre is within a pixel of the reference's (integer halves),
// and the whole window is on the work area.
void ExpectCentredOn(const RECT& window, const RECT& reference, const RECT& area) {
    EXPECT_LE(std::abs((window.left + window.right) - (reference.left + reference.right)), 2)
        << window.left << "," << window.right << " on " << reference.left << "," << reference.right;
    EXPECT_LE(std::abs((window.top + window.bottom) - (reference.top + reference.bottom)), 2)
        << window.top << "," << window.bottom << " on " << reference.top << "," << reference.bottom;
    EXPECT_GE(window.left, area.left);
    EXPECT_GE(window.top, area.top);
    EXPECT_LE(window.right, area.right);
    EXPECT_LE(window.bottom, area.bottom);
}

struct Placed {
    RECT area{};
    RECT startPortDialog{};
    RECT mainWindowAtStart{};
    RECT mainWindow{};  // moved off the work area's centre
    RECT about{};
    RECT menuPortDialog{};
    bool mainVisibleAtStart = true;
    bool seenAll = false;
};

HWND AwaitAndMeasure(DWORD uiThread, int childId, RECT& rect) {
    HWND dialog = WaitForDialogWithChild(uiThread, childId);
    if (dialog != nullptr) rect = WindowRect(dialog);
    return dialog;
}

void CloseAndWait(HWND dialog) {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    WaitUntil([&] { return !IsWindow(dialog); });
}

void DrivePlacement(DWORD uiThread, Placed& placed) {
    HWND portDialog = AwaitAndMeasure(uiThread, IDC_COMBO_COM_PORT, placed.startPortDialog);
    if (portDialog == nullptr) return;
    HWND window = GetWindow(portDialog, GW_OWNER);
    placed.mainVisibleAtStart = window != nullptr && IsWindowVisible(window);
    CloseAndWait(portDialog);
    window = WaitForDialogWithChild(uiThread, IDC_LIST_SCAN);
    if (window == nullptr) return;
    WaitUntil([&] { return IsWindowVisible(window) != FALSE; });
    placed.mainWindowAtStart = WindowRect(window);
    placed.area = WorkArea(window);
    // Off the work area's centre, so that a dialog centred on the window
    // cannot pass for one centred on the work area.
    SetWindowPos(window, nullptr, placed.area.left + 8, placed.area.top + 8, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    placed.mainWindow = WindowRect(window);

    PostMessageW(window, WM_COMMAND, IDM_APP_ABOUT, 0);
    HWND about = AwaitAndMeasure(uiThread, IDC_STATIC_PRODUCT, placed.about);
    if (about == nullptr) return;
    CloseAndWait(about);

    PostMessageW(window, WM_COMMAND, IDM_SELECT_COM_PORT, 0);
    portDialog = AwaitAndMeasure(uiThread, IDC_COMBO_COM_PORT, placed.menuPortDialog);
    if (portDialog == nullptr) return;
    CloseAndWait(portDialog);
    placed.seenAll = true;
    PostMessageW(window, WM_CLOSE, 0, 0);
}

TEST(WindowPlacement, MainWindowOnTheWorkAreaAndItsDialogsOnIt) {
    ClearTestProfile();
    SetSerialPortMap({{L"\\Device\\Serial0", L"COM3"}});
    Placed placed;
    {
        CZANTORKX4xxManagerDlg window;
        AfxGetApp()->m_pMainWnd = &window;
        DialogDriver driver([&](DWORD uiThread) { DrivePlacement(uiThread, placed); });
        window.DoModal();
        AfxGetApp()->m_pMainWnd = nullptr;
    }
    ClearTestProfile();
    ASSERT_TRUE(placed.seenAll);
    // The first port dialog comes while the main window is still hidden.
    EXPECT_FALSE(placed.mainVisibleAtStart);
    {
        SCOPED_TRACE("port dialog at start, on the work area");
        ExpectCentredOn(placed.startPortDialog, placed.area, placed.area);
    }
    {
        SCOPED_TRACE("main window, on the work area");
        ExpectCentredOn(placed.mainWindowAtStart, placed.area, placed.area);
    }
    ASSERT_NE((placed.mainWindow.left + placed.mainWindow.right) / 2, (placed.area.left + placed.area.right) / 2);
    {
        SCOPED_TRACE("about box, on the main window");
        ExpectCentredOn(placed.about, placed.mainWindow, placed.area);
    }
    {
        SCOPED_TRACE("port dialog from the menu, on the main window");
        ExpectCentredOn(placed.menuPortDialog, placed.mainWindow, placed.area);
    }
}

}  // namespace
