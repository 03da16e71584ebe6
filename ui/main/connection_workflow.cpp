// The main window's connection workflow: opening the chosen port, closing it
// (with the worker), port errors, port re-selection, and queueing commands.
#include <cstdio>
#include <iterator>

#include "resource.h"
#include "text/error_text.h"
#include "text/text_convert.h"
#include "ui/framework/message_box.h"
#include "ui/framework/resource_language.h"
#include "ui/framework/win_app.h"
#include "ui/main/window_messages.h"
#include "ui/main/zantor_kx4xx_manager_dlg.h"

void CZANTORKX4xxManagerDlg::EnqueueCommand(int32_t id, bool clearFirst) {
    if (!worker_.IsRunning()) return;
    if (!worker_.busy) AfxGetApp()->BeginWaitCursor();
    worker_.SetInputs(pending_);
    worker_.EnqueueCommand(id, clearFirst);
}

void CZANTORKX4xxManagerDlg::OnWorkerOutcome(int32_t id, CmdOutcome outcome) {
    HWND target = postTarget_;
    if (target != nullptr && ::IsWindow(target)) {
        ::PostMessageW(target, UM_CMD_RESULT, static_cast<WPARAM>(id), static_cast<LPARAM>(outcome));
    }
}

LRESULT CZANTORKX4xxManagerDlg::OnOpenPort(WPARAM, LPARAM, bool&) {
    if (PortIsOpen()) {
        // A second UM_OPEN_PORT closes the port.
        ClosePort();
        EnableDeviceControls(false);
        return 0;
    }
    const ComPortSettings& settings = comConfigDlg_.Settings();
    std::string portName;
    WideToAnsi(settings.portName, portName);
    // No I/O thread runs while the port is closed, so none can set it again.
    portFailed_ = false;
    const std::error_code error = engine_.Open(portName, settings.baudRate, settings.parity, settings.stopBits);
    if (error) {
        WideString reason;
        Utf8ToWide(ErrorText(error), reason);
        const std::wstring text = LoadUiString(IDS_ERR_OPEN_PORT) + L": " + ToWstring(reason);
        AfxMessageBox(text.c_str(), MB_OK | MB_ICONERROR);
        return 0;
    }
    // The identification is queued first: the window's own updates below
    // then run while the adapter answers. Nothing is drawn before this
    // handler returns, so the user sees the same.
    pending_.baudRate = settings.baudRate;
    ++opening_;
    worker_.Start();
    EnqueueCommand(CMD_IDENTIFY);
    ClearDeviceFields();
    statusBar_.SetPaneText(0, settings.portName.c_str());
    EnableDeviceControls(false);
    return 0;
}

namespace {

// Every text set repaints its control even when nothing changes, and a
// connect clears fields that the close before it has already cleared.
void ClearText(HWND control) {
    if (control != nullptr && ::GetWindowTextLengthW(control) != 0) ::SetWindowTextW(control, L"");
}

}  // namespace

void CZANTORKX4xxManagerDlg::ClearDeviceFields() {
    if (!IsWindow()) return;
    ClearText(firmwareVersion_.m_hWnd);
    ClearText(GetDlgItem(IDC_STATIC_BDADDR));
    ClearText(deviceName_.m_hWnd);
    scanList_.DeleteAllItems();
    for (const SlotEdits& row : slotEdits_) {
        ClearText(row.address.m_hWnd);
        ClearText(row.tag.m_hWnd);
    }
}

void CZANTORKX4xxManagerDlg::ClosePort() {
    const bool wasOpen = PortIsOpen();
    ++opening_;
    // Closing the engine first makes an exchange in progress return at once,
    // so the join below waits at most for the worker to notice. Close also
    // gives back the I/O threads when the engine lost its port by itself.
    engine_.Close();
    if (wasOpen && IsWindow()) statusBar_.SetPaneText(0, LoadUiString(IDS_COM_PORT_CLOSED).c_str());
    if (worker_.IsRunning()) worker_.Stop();
    DropOutcomesOfClosedOpening();
    if (IsWindow()) {
        ClearDeviceFields();
        AfxGetApp()->EndWaitCursor();
        ::SetDlgItemTextW(m_hWnd, IDC_BTN_SCAN, LoadUiString(IDS_SCAN).c_str());
    }
    ShowDevicePicture(IDB_PNG_EMBLEM);
    worker_.scanState = SCAN_IDLE;
    worker_.busy = false;
}

void CZANTORKX4xxManagerDlg::DropOutcomesOfClosedOpening() {
    // The worker is joined, so everything it posted is already in this
    // thread's queue. A command cut off by the close ends in a failure that
    // would otherwise be handled as if the port were still open: a message
    // box, a new identification or a second port dialog.
    if (!IsWindow()) return;
    MSG outcome;
    while (::PeekMessageW(&outcome, m_hWnd, UM_CMD_RESULT, UM_CMD_RESULT, PM_REMOVE)) {
    }
}

void CZANTORKX4xxManagerDlg::ShowDevicePicture(UINT pictureId) {
    devicePicture_.LoadPng(pictureId);
    devicePictureId_ = pictureId;
}

LRESULT CZANTORKX4xxManagerDlg::OnPortError(WPARAM, LPARAM, bool&) {
    // A second error posted before this one was handled finds the port closed.
    if (PortIsOpen()) {
        ClosePort();
        EnableDeviceControls(false);
        AfxMessageBox(IDS_ERR_PORT_FAILURE, MB_OK | MB_ICONERROR);
    }
    return 0;
}

void CZANTORKX4xxManagerDlg::PortReselection() {
    ClosePort();
    EnableDeviceControls(false);
    if (comConfigDlg_.DoModal() == IDOK) PostMessage(UM_OPEN_PORT);
}
