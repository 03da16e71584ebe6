#include "ui/settings/com_config_dlg.h"

#include <string>

#include "resource.h"
#include "text/text_convert.h"
#include "ui/framework/win_app.h"
#include "ui/settings/profile_names.h"

namespace {

constexpr uint32_t kAdapterBaudRate = 115200;
constexpr LANGID kKoreanUiLanguage = 1042;
constexpr DWORD_PTR kNoItemData = static_cast<DWORD_PTR>(-1);

// The selected entry's item data, or kNoItemData without a selection.
DWORD_PTR SelectedItemData(const CComboBox& combo) {
    const int selected = combo.GetCurSel();
    return selected == CB_ERR ? kNoItemData : combo.GetItemData(selected);
}

}  // namespace

ComConfigDlg::ComConfigDlg() : CDialogEx(IDD_COMCONFIG_DIALOG) {}

MessageMap ComConfigDlg::GetMessageMap() const {
    static const MessageMapEntry kEntries[] = {
        OnNotify(CBN_DROPDOWN, IDC_COMBO_COM_PORT, &ComConfigDlg::OnPortDropDown),
        OnNotify(CBN_SELCHANGE, IDC_COMBO_COM_PORT, &ComConfigDlg::OnPortSelChange),
        OnNotify(CBN_SELCHANGE, IDC_COMBO_COM_BAUD, &ComConfigDlg::OnLineSettingSelChange),
        OnNotify(CBN_SELCHANGE, IDC_COMBO_COM_PARITY, &ComConfigDlg::OnLineSettingSelChange),
        OnNotify(CBN_SELCHANGE, IDC_COMBO_COM_STOPBIT, &ComConfigDlg::OnLineSettingSelChange),
    };
    return MakeMessageMap(kEntries);
}

void ComConfigDlg::DoDataExchange() {
    DDX_Control(IDC_COMBO_COM_PORT, portCombo_);
    DDX_Control(IDC_COMBO_COM_BAUD, baudCombo_);
    DDX_Control(IDC_COMBO_COM_PARITY, parityCombo_);
    DDX_Control(IDC_COMBO_COM_STOPBIT, stopBitCombo_);
    DDX_Control(IDC_PICTURE_BAUD_DIAL, dialPicture_);
    DDX_Control(IDC_RICHEDIT_HINT, hint_);
}

BOOL ComConfigDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();
    FillPortList();
    settings_.baudRate = kAdapterBaudRate;
    settings_.parity = 0;
    settings_.stopBits = 0;
    hint_.InitRichEdit();
    // The hint follows the system's language, whatever the template's.
    if (GetSystemDefaultUILanguage() == kKoreanUiLanguage) {
        hint_.AppendLinkedText(L"통신속도 다이얼을 ");
        hint_.AppendMarker();
        hint_.AppendLinkedText(L"으로 설정해 주세요");
    } else {
        hint_.AppendLinkedText(L"Place baud rate dial to ");
        hint_.AppendMarker();
    }
    dialPicture_.LoadPng(IDB_PNG_BAUD_DIAL);
    return TRUE;
}

void ComConfigDlg::FillPortList() {
    EnumerateSerialPorts(portList_);  // a failed enumeration lists nothing
    portCombo_.ResetContent();
    const std::wstring savedName = AfxGetApp()->GetProfileString(kProfileSection, kProfileComPort, L"COM1");
    bool savedListed = false;
    for (size_t index = 0; index < portList_.size(); ++index) {
        std::wstring name;
        AnsiToWide(portList_[index].name, name);
        const int item = portCombo_.AddString(name.c_str());
        if (item < 0) continue;
        portCombo_.SetItemData(item, index);
        if (name == savedName) {
            settings_.portName = name;
            portCombo_.SetCurSel(item);
            savedListed = true;
        }
    }
    if (!savedListed) {
        portCombo_.SetCurSel(0);
        settings_.portName = portCombo_.GetLBText(0);
    }
}

void ComConfigDlg::OnPortDropDown(UINT) { FillPortList(); }

void ComConfigDlg::OnPortSelChange(UINT) {
    const int selected = portCombo_.GetCurSel();
    if (selected == CB_ERR) return;
    const std::wstring name = portCombo_.GetLBText(selected);
    if (!name.empty()) AfxGetApp()->WriteProfileString(kProfileSection, kProfileComPort, name.c_str());
}

void ComConfigDlg::OnLineSettingSelChange(UINT id) {
    const wchar_t* value = id == IDC_COMBO_COM_BAUD     ? kProfileBaudRate
                           : id == IDC_COMBO_COM_PARITY ? kProfileParity
                                                        : kProfileStopBits;
    const CComboBox& combo = id == IDC_COMBO_COM_BAUD     ? baudCombo_
                             : id == IDC_COMBO_COM_PARITY ? parityCombo_
                                                          : stopBitCombo_;
    const DWORD_PTR data = SelectedItemData(combo);
    if (data != kNoItemData) AfxGetApp()->WriteProfileInt(kProfileSection, value, static_cast<int>(data));
}

void ComConfigDlg::OnOK() {
    CWinApp* app = AfxGetApp();
    const int selected = portCombo_.GetCurSel();
    if (selected != CB_ERR) {
        const std::wstring name = portCombo_.GetLBText(selected);
        if (!name.empty()) {
            settings_.portName = name;
            app->WriteProfileString(kProfileSection, kProfileComPort, name.c_str());
        }
    }
    DWORD_PTR data = SelectedItemData(baudCombo_);
    if (data != kNoItemData) {
        settings_.baudRate = static_cast<uint32_t>(data);
        app->WriteProfileInt(kProfileSection, kProfileBaudRate, static_cast<int>(data));
    }
    data = SelectedItemData(parityCombo_);
    if (data != kNoItemData) {
        settings_.parity = static_cast<uint8_t>(data & 0xFF);
        app->WriteProfileInt(kProfileSection, kProfileParity, static_cast<int>(data));
    }
    data = SelectedItemData(stopBitCombo_);
    if (data != kNoItemData) {
        settings_.stopBits = static_cast<uint8_t>(data & 0xFF);
        app->WriteProfileInt(kProfileSection, kProfileStopBits, static_cast<int>(data));
    }
    CDialogEx::OnOK();
}
