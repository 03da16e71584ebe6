// The main window's device settings actions: name, advertising interval,
// UART options, Update, Restart, Factory reset and the menu's COM port choice.
#include "resource.h"
#include "text/text_convert.h"
#include "ui/framework/message_box.h"
#include "device/value_rules.h"
#include "ui/main/zantor_kx4xx_manager_dlg.h"

void CZANTORKX4xxManagerDlg::OnSaveName(UINT) {
    EnableDeviceControls(false);
    std::string name;
    WideToUtf8(ToWideString(deviceName_.GetWindowText()), name);
    if (!FitsUserTextLimit(name)) {
        if (!ShowBoxInOpening(IDS_ERR_NAME_TOO_LONG, MB_OK | MB_ICONEXCLAMATION)) return;
        FocusAfterEnabling(deviceName_.m_hWnd);
        EnableDeviceControls(true);
        return;
    }
    pending_.pendingName = name.c_str();  // up to the first zero byte
    EnqueueCommand(CMD_SET_NAME);
}

void CZANTORKX4xxManagerDlg::OnSaveAdvInterval(UINT) {
    EnableDeviceControls(false);
    const int interval = ParseShellInt(ToWideString(advInterval_.GetWindowText()));
    if (!IsValidAdvInterval(interval)) {
        if (!ShowBoxInOpening(IDS_ERR_ADV_INTERVAL_VALUE, MB_OK | MB_ICONERROR)) return;
        FocusAfterEnabling(advInterval_.m_hWnd);
        EnableDeviceControls(true);
        return;
    }
    pending_.pendingAdvInterval = static_cast<uint32_t>(interval);
    EnqueueCommand(CMD_SET_ADV_INTERVAL);
}

void CZANTORKX4xxManagerDlg::OnSaveUart(UINT) {
    // Leaves the controls as they are; the worker takes its own copy of the
    // pending values with each command, so a second press changes no command
    // already running.
    const struct {
        const CComboBox& combo;
        UINT notSelectedText;
    } lists[] = {{flowControlCombo_, IDS_ERR_FLOW_NOT_SELECTED},
                 {parityCombo_, IDS_ERR_PARITY_NOT_SELECTED},
                 {stopBitCombo_, IDS_ERR_STOPBIT_NOT_SELECTED}};
    uint8_t values[3] = {};
    for (size_t at = 0; at < 3; ++at) {
        const int selection = lists[at].combo.GetCurSel();
        if (selection == CB_ERR) {
            AfxMessageBox(lists[at].notSelectedText, MB_OK | MB_ICONERROR);
            return;
        }
        values[at] = static_cast<uint8_t>(lists[at].combo.GetItemData(selection) & 0xFF);
    }
    pending_.pendingUart.flowControl = values[0];
    pending_.pendingUart.parity = static_cast<char>(values[1]);
    pending_.pendingUart.stopBits = values[2];
    EnqueueCommand(CMD_SET_UART);
}

void CZANTORKX4xxManagerDlg::OnUpdate(UINT) {
    if (!PortIsOpen() || worker_.busy) return;
    ClearDeviceFields();
    EnqueueCommand(CMD_IDENTIFY);
    EnableDeviceControls(false);
}

void CZANTORKX4xxManagerDlg::OnRestart(UINT) {
    EnableDeviceControls(false);
    EnqueueCommand(CMD_RESTART);
}

void CZANTORKX4xxManagerDlg::OnFactoryReset(UINT) {
    EnableDeviceControls(false);
    int answer = IDCANCEL;
    if (!ShowBoxInOpening(IDS_CONFIRM_FACTORY_RESET, MB_OKCANCEL | MB_ICONQUESTION, &answer)) return;
    if (answer == IDOK) {
        EnqueueCommand(CMD_FACTORY_RESET);
    } else {
        EnableDeviceControls(true);
    }
}

void CZANTORKX4xxManagerDlg::OnSelectComPort(UINT) { PortReselection(); }
