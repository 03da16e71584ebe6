#include "ui/main/combo_table.h"

void FillComboFromTable(const CComboBox& combo, const ComboItem* table, size_t count, DWORD_PTR value) {
    combo.ResetContent();
    for (size_t index = 0; index < count; ++index) {
        const int item = combo.AddString(table[index].text);
        combo.SetItemData(item, table[index].data);
        if (table[index].data == value) combo.SetCurSel(static_cast<int>(index));
    }
}

int SelectComboByData(const CComboBox& combo, DWORD_PTR value) {
    const int count = combo.GetCount();
    for (int index = 0; index < count; ++index) {
        if (combo.GetItemData(index) == value) {
            combo.SetCurSel(index);
            return index;
        }
    }
    return -1;
}
