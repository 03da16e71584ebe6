// ComConfigDlg: the modal dialog in which the user picks the COM port of the
// adapter. It lists the system's serial ports, remembers the choice in the
// application profile and hands the port with fixed line settings
// (115200 baud, 8 data bits, no parity, one stop bit) to its owner.
#pragma once

#include <vector>

#include "ui/controls/gdiplus_img_ctrl.h"
#include "ui/controls/ht_rich_edit_ctrl.h"
#include "ui/framework/controls.h"
#include "ui/framework/dialog.h"
#include "ui/settings/com_port_settings.h"
#include "platform/serial_port_enum.h"

class ComConfigDlg : public CDialogEx {
public:
    ComConfigDlg();

    // Valid after DoModal returned IDOK.
    const ComPortSettings& Settings() const { return settings_; }

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    MessageMap GetMessageMap() const override;

private:
    // Re-enumerates the ports and selects the saved one, else the first.
    void FillPortList();
    void OnPortDropDown(UINT id);
    void OnPortSelChange(UINT id);
    void OnLineSettingSelChange(UINT id);

    std::vector<SerialPortEntry> portList_;
    ComPortSettings settings_;
    CComboBox portCombo_;
    // The line-setting lists stay hidden and empty: the adapter is always
    // configured at 115200 baud, 8N1.
    CComboBox baudCombo_;
    CComboBox parityCombo_;
    CComboBox stopBitCombo_;
    GdiplusImgCtrl dialPicture_;
    CHTRichEditCtrl hint_;
};
