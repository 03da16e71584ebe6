// The baseline of the start-up and memory benchmarks: the least a Win32
// dialog program does, a modal dialog from a template with a drop-down list
// (id 1001, as the port dialog's) and OK, built and run like the real one.
#include <windows.h>

#include "bench/gui/minimal_dialog_ids.h"

namespace {

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SendDlgItemMessageW(dialog, kMinimalComboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"COM1"));
            SendDlgItemMessageW(dialog, kMinimalComboId, CB_SETCURSEL, 0, 0);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(kMinimalDialogId), nullptr, DialogProc, 0));
}
