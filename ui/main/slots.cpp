// The main window's registered device slots: "=>" copies the selected scan
// row into a slot row, "X" empties a row, Save validates all rows and writes
// the seven slots.

#include "resource.h"
#include "text/text_convert.h"
#include "ui/framework/message_box.h"
#include "ui/framework/resource_language.h"
#include "device/value_rules.h"
#include "ui/main/zantor_kx4xx_manager_dlg.h"

namespace {

constexpr size_t kTagUnits = 8;  // UTF-16 units copied from a scanned name

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

std::wstring SlotMessage(UINT textId, int slot) {
    wchar_t text[256];
    swprintf(text, 256, LoadUiString(textId).c_str(), slot);
    return text;
}

}  // namespace

void CZANTORKX4xxManagerDlg::OnCopyToSlot(UINT id) {
    const SlotEdits& target = slotEdits_[id - IDC_BTN_ASSIGN_SLOT_FIRST];
    const int selected = scanList_.GetNextItem(-1, LVNI_SELECTED);
    if (selected < 0) {
        AfxMessageBox(IDS_ERR_NO_SCAN_SELECTION, MB_OK | MB_ICONERROR);
        return;
    }
    const std::wstring address = scanList_.GetItemText(selected, 0);
    const std::wstring name = scanList_.GetItemText(selected, 1);
    for (const SlotEdits& row : slotEdits_) {
        const std::wstring rowAddress = row.address.GetWindowText();
        if (!rowAddress.empty() && EqualIgnoringCase(rowAddress, address)) {
            AfxMessageBox(IDS_ERR_DEVICE_ALREADY_ASSIGNED, MB_OK | MB_ICONERROR);
            return;
        }
    }
    target.address.SetWindowText(address.c_str());
    target.address.SetReadOnly(true);
    target.tag.SetWindowText(name.substr(0, kTagUnits).c_str());
}

void CZANTORKX4xxManagerDlg::OnClearSlot(UINT id) {
    const SlotEdits& row = slotEdits_[id - IDC_BTN_CLEAR_SLOT_FIRST];
    row.address.SetWindowText(L"");
    row.address.SetReadOnly(false);
    row.tag.SetWindowText(L"");
}

void CZANTORKX4xxManagerDlg::OnSaveSlots(UINT) {
    EnableDeviceControls(false);
    std::array<SlotRowText, kSlotCount> rows;
    for (size_t row = 0; row < kSlotRows; ++row) {
        const std::wstring address = slotEdits_[row].address.GetWindowText();
        const std::wstring tag = slotEdits_[row].tag.GetWindowText();
        rows[row] = {ToWideString(address), ToWideString(tag)};
    }
    const SlotValidation validation = ValidateSlotRows(rows, pending_.slotsToWrite);
    std::wstring refusal;
    switch (validation.error) {
        case SlotRowError::None:
            EnqueueCommand(CMD_SAVE_SLOTS);
            return;
        case SlotRowError::DuplicateAddress:
            refusal = LoadUiString(IDS_ERR_SLOT_DUPLICATE_BDADDR);
            break;
        case SlotRowError::InvalidAddress:
            refusal = SlotMessage(IDS_ERR_SLOT_BDADDR, validation.slot);
            break;
        case SlotRowError::InvalidTag:
            refusal = SlotMessage(IDS_ERR_SLOT_TAG_LENGTH, validation.slot);
            break;
    }
    if (!ShowBoxInOpening(refusal.c_str(), MB_OK | MB_ICONERROR)) return;
    // The refused row's field, where the slot is named.
    if (validation.slot >= 1 && validation.slot <= static_cast<int>(kSlotRows)) {
        const SlotEdits& row = slotEdits_[static_cast<size_t>(validation.slot - 1)];
        FocusAfterEnabling(validation.error == SlotRowError::InvalidTag ? row.tag.m_hWnd : row.address.m_hWnd);
    }
    EnableDeviceControls(true);
}
