#include "tests/e2e/person.h"

#include <commctrl.h>

#include "resource.h"

Person::Person(const std::wstring& program) : program_(program) {}

std::wstring Person::ChosenPort() const {
    HWND dialog = PortDialog();
    if (dialog == nullptr) return L"";
    HWND combo = GetDlgItem(dialog, IDC_COMBO_COM_PORT);
    const LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selection < 0) return L"";
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(selection), 0);
    if (length < 0) return L"";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(selection), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

bool Person::ChoosePort(const std::wstring& port) {
    HWND dialog = PortDialog();
    if (dialog == nullptr) return false;
    if (!port.empty()) {
        HWND combo = GetDlgItem(dialog, IDC_COMBO_COM_PORT);
        const LRESULT index = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(port.c_str()));
        if (index < 0) return false;
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        // A person's pick also tells the dialog, as the list does.
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_COMBO_COM_PORT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    }
    PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    if (!WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); })) return false;
    return FindMainWindow() != nullptr;
}

HWND Person::FindMainWindow(DWORD limitMs) {
    window_ = program_.WaitForDialog(IDC_LIST_SCAN, limitMs);
    return window_;
}

bool Person::WaitReady(DWORD limitMs) const {
    return WaitUntil([&] { return IsWindowEnabled(Item(IDC_BTN_UPDATE)) && IsWindowEnabled(Item(IDC_BTN_SCAN)); },
                     limitMs);
}

void Person::Type(int id, const std::wstring& text) const {
    SendMessageW(Item(id), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(Item(id), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Person::SetCheck(int id, bool on) const {
    const bool checked = SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (checked != on) SendMessageW(Item(id), BM_CLICK, 0, 0);
}

LRESULT Person::SelectedData(int id) const {
    const LRESULT selection = SendMessageW(Item(id), CB_GETCURSEL, 0, 0);
    return selection < 0 ? -1 : SendMessageW(Item(id), CB_GETITEMDATA, static_cast<WPARAM>(selection), 0);
}

void Person::SelectData(int id, LRESULT data) const {
    const int count = static_cast<int>(SendMessageW(Item(id), CB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        if (SendMessageW(Item(id), CB_GETITEMDATA, static_cast<WPARAM>(index), 0) == data)
            SendMessageW(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

std::wstring Person::StatusPane(int pane) const {
    return StatusPaneText(program_.Process(), Item(IDC_STATUS_BAR), pane);
}

int Person::ListRows() const {
    return ListRowCount(Item(IDC_LIST_SCAN));
}

std::wstring Person::ListText(int row, int column) const {
    return ListItemText(program_.Process(), Item(IDC_LIST_SCAN), row, column);
}

void Person::SelectListRow(int row) const {
    ::SelectListRow(program_.Process(), Item(IDC_LIST_SCAN), row);
}

std::wstring Person::AnswerBox(int button) const {
    HWND box = program_.WaitForMessageBox();
    if (box == nullptr) return L"(no message box)";
    const std::wstring text = WindowText(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
    WaitUntil([&] { return !IsWindow(box); });
    return text;
}
