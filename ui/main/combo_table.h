// Filling and selecting drop-down lists by item data.
#pragma once

#include <windows.h>

#include <cstddef>

#include "ui/framework/controls.h"

struct ComboItem {
    const wchar_t* text;
    DWORD_PTR data;
};

// Empties the list, adds the items in table order and selects the item whose
// data equals value.
void FillComboFromTable(const CComboBox& combo, const ComboItem* table, size_t count, DWORD_PTR value);

// Selects the first item whose data equals value and returns its index;
// -1 and the selection unchanged when none has it.
int SelectComboByData(const CComboBox& combo, DWORD_PTR value);
