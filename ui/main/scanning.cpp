// The main window's scanning: filter persistence, the Scan button and the
// scan request that starts or stops a scan.
#include <cstring>

#include "resource.h"
#include "text/text_convert.h"
#include "ui/framework/message_box.h"
#include "ui/framework/win_app.h"
#include "device/value_rules.h"
#include "ui/main/window_messages.h"
#include "ui/main/zantor_kx4xx_manager_dlg.h"
#include "ui/settings/profile_names.h"

namespace {

// Each row shown as it is added costs the list a synchronous scroll bar
// update, tens of milliseconds under Wine: far more than a fast adapter takes
// per report. Rows added within this period are shown together.
constexpr UINT_PTR kScanListRedrawTimer = 1;
constexpr UINT kScanListRedrawMs = 100;

}  // namespace

void CZANTORKX4xxManagerDlg::OnNameFilterKillFocus(UINT) {
    // A failed registry write is ignored.
    AfxGetApp()->WriteProfileString(kProfileSection, kProfileNameFilterValue, nameFilterEdit_.GetWindowText().c_str());
}

void CZANTORKX4xxManagerDlg::OnRssiFilterKillFocus(UINT) {
    const std::optional<int> value = ParseRssiText(ToWideString(rssiFilterEdit_.GetWindowText()));
    if (value) AfxGetApp()->WriteProfileInt(kProfileSection, kProfileRssiFilterValue, *value);
}

void CZANTORKX4xxManagerDlg::OnScanButton(UINT) {
    EnableDeviceControls(false);
    ::EnableWindow(GetDlgItem(IDC_BTN_SCAN), FALSE);
    PostMessage(UM_SCAN_REQUEST);
}

LRESULT CZANTORKX4xxManagerDlg::OnScanRequest(WPARAM, LPARAM, bool&) {
    if (!PortIsOpen()) return 0;
    ScanState scanning = SCAN_SCANNING;
    if (worker_.scanState.compare_exchange_strong(scanning, SCAN_STOP_REQUESTED)) {
        EnqueueCommand(CMD_STOP_SCAN);
        return 0;
    }
    if (rssiFilterCheck_.GetCheck() == BST_CHECKED && !ParseRssiText(ToWideString(rssiFilterEdit_.GetWindowText()))) {
        if (!ShowBoxInOpening(IDS_ERR_RSSI_FILTER_VALUE, MB_OK | MB_ICONERROR)) return 0;
        FocusAfterEnabling(rssiFilterEdit_.m_hWnd);
        EnableDeviceControls(true);
        return 0;
    }
    std::memset(pending_.nameFilter, 0, sizeof(pending_.nameFilter));
    if (nameFilterCheck_.GetCheck() == BST_CHECKED) {
        std::string name;
        WideToUtf8(ToWideString(nameFilterEdit_.GetWindowText()), name);
        if (name.empty() || !FitsUserTextLimit(name)) {
            if (!ShowBoxInOpening(IDS_ERR_NAME_FILTER_LENGTH, MB_OK | MB_ICONERROR)) return 0;
            FocusAfterEnabling(nameFilterEdit_.m_hWnd);
            EnableDeviceControls(true);
            return 0;
        }
        pending_.nameFilterOn = true;
        std::memcpy(pending_.nameFilter, name.data(), name.size());
    } else {
        pending_.nameFilterOn = false;
    }
    EnqueueCommand(CMD_START_SCAN);
    return 0;
}

void CZANTORKX4xxManagerDlg::DeferScanListRedraw() {
    if (scanListRedrawDeferred_) return;
    scanList_.SendMessage(WM_SETREDRAW, FALSE);
    ::SetTimer(m_hWnd, kScanListRedrawTimer, kScanListRedrawMs, nullptr);
    scanListRedrawDeferred_ = true;
}

LRESULT CZANTORKX4xxManagerDlg::OnTimer(WPARAM wParam, LPARAM, bool& handled) {
    if (wParam != kScanListRedrawTimer) {
        handled = false;
        return 0;
    }
    ::KillTimer(m_hWnd, kScanListRedrawTimer);
    scanListRedrawDeferred_ = false;
    scanList_.SendMessage(WM_SETREDRAW, TRUE);
    // Painted now: the next row would turn redrawing off before a WM_PAINT.
    ::RedrawWindow(scanList_.m_hWnd, nullptr, nullptr,
                   RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return 0;
}
