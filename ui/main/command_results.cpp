// The main window's reaction to each command outcome (UM_CMD_RESULT): what
// the user sees, and the follow-up commands.
#include <cstdio>
#include <cstring>
#include <iterator>

#include "resource.h"
#include "text/text_convert.h"
#include "ui/framework/message_box.h"
#include "ui/framework/resource_language.h"
#include "ui/framework/win_app.h"
#include "ui/main/combo_table.h"
#include "device/value_rules.h"
#include "ui/main/zantor_kx4xx_manager_dlg.h"

namespace {

UINT PictureOfModel(DeviceModel model) {
    switch (model) {
        case MODEL_KX400: return IDB_PNG_KX400;
        case MODEL_KX410: return IDB_PNG_KX410;
        case MODEL_KX420: return IDB_PNG_KX420;
        default: return IDB_PNG_EMBLEM;
    }
}

}  // namespace

LRESULT CZANTORKX4xxManagerDlg::OnCmdResult(WPARAM wParam, LPARAM lParam, bool&) {
    AfxGetApp()->EndWaitCursor();
    worker_.busy = false;
    // The line failed under this command: the port error's own handling,
    // already posted, closes the port and tells the user once.
    if (portFailed_) return 0;
    const auto id = static_cast<int32_t>(wParam);
    const auto outcome = static_cast<CmdOutcome>(lParam);
    // Unsupported model: the commands that check the model first.
    const bool checksModel = id == CMD_SAVE_SLOTS || id == CMD_START_SCAN || id == CMD_SET_NAME ||
                             id == CMD_SET_ADV_INTERVAL || id == CMD_SET_UART;
    if (outcome == RESULT_UNSUPPORTED && (id == CMD_IDENTIFY || checksModel)) {
        if (ShowBoxInOpening(IDS_ERR_UNSUPPORTED_DEVICE, MB_OK | MB_ICONINFORMATION)) PortReselection();
        return 0;
    }
    switch (id) {
        case CMD_IDENTIFY:
            if (outcome == RESULT_OK) {
                OnIdentified();
            } else if (ShowBoxInOpening(IDS_ERR_NOT_ZANTOR_DEVICE, MB_OK | MB_ICONERROR)) {
                PortReselection();
            }
            break;
        case CMD_READ_DEVICE:
            if (outcome == RESULT_OK) {
                ShowDevice();
            } else if (ShowBoxInOpening(IDS_ERR_NOT_ZANTOR_DEVICE, MB_OK | MB_ICONERROR)) {
                PortReselection();
            }
            break;
        case CMD_RESTART:
            IdentifyAgain();
            break;
        case CMD_FACTORY_RESET:
            // A reset adapter may no longer use the line settings of this port.
            PortReselection();
            break;
        case CMD_SAVE_SLOTS: {
            const bool saved = outcome == RESULT_OK;
            // The Save button already disabled the controls; the read that
            // follows refills the rows from what the adapter now holds.
            if (ShowBoxInOpening(saved ? IDS_SLOTS_SAVED : IDS_ERR_SLOTS_SAVE,
                                 MB_OK | (saved ? MB_ICONINFORMATION : MB_ICONERROR))) {
                EnqueueCommand(CMD_IDENTIFY);
            }
            break;
        }
        case CMD_START_SCAN:
            if (outcome == RESULT_OK) {
                OnScanStarted();
            } else {
                IdentifyAgain();
            }
            break;
        case CMD_WAIT_REPORT:
            if (outcome == RESULT_OK) {
                for (size_t i = 0; i < readings_.scanReportCount; ++i) ApplyScanReport(readings_.scanReports[i]);
            }
            if (outcome == RESULT_OK || outcome == RESULT_NO_REPORT) {
                if (worker_.scanState == SCAN_SCANNING) EnqueueCommand(CMD_WAIT_REPORT);
            } else {
                IdentifyAgain();
            }
            break;
        case CMD_STOP_SCAN:
            if (outcome == RESULT_OK) {
                worker_.scanState = SCAN_IDLE;
                ::SetDlgItemTextW(m_hWnd, IDC_BTN_SCAN, LoadUiString(IDS_SCAN).c_str());
                EnableDeviceControls(true);
            } else {
                IdentifyAgain();
            }
            break;
        case CMD_SET_NAME:
            ReportSetting(outcome, IDS_NAME_SAVED, IDS_ERR_NAME_SAVE);
            break;
        case CMD_SET_ADV_INTERVAL:
            ReportSetting(outcome, IDS_ADV_INTERVAL_SAVED, IDS_ERR_ADV_INTERVAL_SAVE);
            break;
        case CMD_SET_UART:
            ReportSetting(outcome, IDS_UART_SAVED, IDS_ERR_UART_SAVE);
            break;
        default:
            break;
    }
    return 0;
}

void CZANTORKX4xxManagerDlg::IdentifyAgain() {
    EnableDeviceControls(false);
    EnqueueCommand(CMD_IDENTIFY);
}

void CZANTORKX4xxManagerDlg::ReportSetting(CmdOutcome outcome, UINT doneText, UINT failedText) {
    if (outcome == RESULT_OK) {
        if (ShowBoxInOpening(doneText, MB_OK | MB_ICONINFORMATION)) EnableDeviceControls(true);
    } else if (ShowBoxInOpening(failedText, MB_OK | MB_ICONERROR)) {
        IdentifyAgain();
    }
}

void CZANTORKX4xxManagerDlg::OnIdentified() {
    readings_.slots = {};
    // The read is queued before the picture is decoded, so that the two overlap.
    EnqueueCommand(CMD_READ_DEVICE);
    ShowDevicePicture(PictureOfModel(readings_.modelIndex));
}

void CZANTORKX4xxManagerDlg::ShowDevice() {
    firmwareVersion_.SetWindowText(ToWstring(FieldText(readings_.version, sizeof(readings_.version))).c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_STATIC_BDADDR, ToWstring(AddressText(readings_.info.address)).c_str());
    deviceName_.SetWindowText(ToWstring(FieldText(readings_.info.name, sizeof(readings_.info.name))).c_str());

    pending_.pendingAdvInterval = readings_.advInterval;
    wchar_t interval[16];
    swprintf(interval, std::size(interval), L"%u", static_cast<unsigned>(readings_.advInterval));
    advInterval_.SetWindowText(interval);

    SelectComboByData(flowControlCombo_, readings_.uart.flowControl);
    SelectComboByData(parityCombo_, static_cast<DWORD_PTR>(static_cast<unsigned char>(readings_.uart.parity)));
    SelectComboByData(stopBitCombo_, readings_.uart.stopBits);

    // The worker has stopped an adapter still scanning (from an earlier run,
    // say) before it reported the read: this thread makes no request itself.
    worker_.scanState = SCAN_IDLE;
    if (HWND scanButton = GetDlgItem(IDC_BTN_SCAN)) {
        ::SetWindowTextW(scanButton, LoadUiString(IDS_SCAN).c_str());
        ::EnableWindow(scanButton, TRUE);
    }
    ShowSlotRows();
    EnableDeviceControls(true);
}

void CZANTORKX4xxManagerDlg::ShowSlotRows() {
    for (size_t row = 0; row < kSlotRows; ++row) {
        const SlotRecord& slot = readings_.slots[row];
        const SlotEdits& edits = slotEdits_[row];
        const bool filled = !IsZeroAddress(slot.address);
        edits.address.SetWindowText(filled ? ToWstring(AddressText(slot.address)).c_str() : L"");
        edits.address.SetReadOnly(filled);
        edits.tag.SetWindowText(filled ? ToWstring(FieldText(slot.tag, sizeof(slot.tag))).c_str() : L"");
    }
}

void CZANTORKX4xxManagerDlg::OnScanStarted() {
    // The list of this scan starts empty: done here rather than on the worker
    // thread, so the worker never waits for this window.
    seenAddresses_.clear();
    scanList_.DeleteAllItems();
    if (HWND scanButton = GetDlgItem(IDC_BTN_SCAN)) {
        ::SetWindowTextW(scanButton, LoadUiString(IDS_STOP).c_str());
        ::EnableWindow(scanButton, TRUE);
        // The only control enabled while scanning: Enter stops the scan.
        FocusControl(scanButton);
    }
    if (worker_.scanState == SCAN_SCANNING) EnqueueCommand(CMD_WAIT_REPORT);
}

void CZANTORKX4xxManagerDlg::ApplyScanReport(const ScanReport& report) {
    const std::wstring address = ToWstring(AddressText(report.address));
    if (seenAddresses_.count(address) != 0) return;
    const int index = scanList_.GetItemCount();
    const std::wstring threshold = rssiFilterEdit_.GetWindowText();
    if (!PassesRssiFilter(rssiFilterCheck_.GetCheck() == BST_CHECKED, ToWideString(threshold), report.rssi)) {
        return;
    }
    seenAddresses_.emplace(address, report);
    DeferScanListRedraw();
    scanList_.InsertItem(index, address.c_str());
    scanList_.SetItemText(index, 1, ToWstring(FieldText(report.name, sizeof(report.name))).c_str());
    wchar_t rssi[8];
    swprintf(rssi, std::size(rssi), L"%d", report.rssi);
    scanList_.SetItemText(index, 2, rssi);
}
