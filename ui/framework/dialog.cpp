#include "ui/framework/dialog.h"

#include "ui/framework/failure_report.h"
#include "ui/framework/resource_language.h"
#include "ui/framework/win_app.h"
#include "ui/framework/window_placement.h"

namespace {

// Messages whose result a dialog procedure returns directly instead of
// through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
        case WM_CHARTOITEM:
        case WM_COMPAREITEM:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_INITDIALOG:
        case WM_QUERYDRAGICON:
        case WM_VKEYTOITEM:
            return true;
        default:
            return false;
    }
}

HWND DefaultOwner(HWND self) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr || app->m_pMainWnd == nullptr) return nullptr;
    HWND main = app->m_pMainWnd->m_hWnd;
    return main != self && ::IsWindow(main) ? main : nullptr;
}

}  // namespace

CDialogEx::CDialogEx(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

CDialogEx::~CDialogEx() {
    if (::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

INT_PTR CDialogEx::DoModal() {
    // One window per dialog object: asked again while its window is shown
    // (by a message that its own modal loop dispatched), it shows nothing.
    if (::IsWindow(m_hWnd)) return -1;
    const DLGTEMPLATE* dialogTemplate = LoadUiDialogTemplate(templateId_);
    if (dialogTemplate == nullptr) return -1;
    HWND owner = parent_ != nullptr ? parent_ : DefaultOwner(m_hWnd);
    ended_ = false;
    result_ = IDCANCEL;
    HWND hwnd = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), dialogTemplate, owner, &DialogProc,
                                             reinterpret_cast<LPARAM>(this));
    if (hwnd == nullptr) return -1;
    const bool ownerWasEnabled = owner != nullptr && ::IsWindowEnabled(owner);
    if (ownerWasEnabled) ::EnableWindow(owner, FALSE);
    if (!ended_) {
        if (!::IsWindowVisible(hwnd)) ::ShowWindow(hwnd, SW_SHOWNORMAL);
        RunModalLoop();
    }
    // Re-enable the owner before the dialog goes, so that it gets the
    // activation back.
    if (ownerWasEnabled) ::EnableWindow(owner, TRUE);
    if (owner != nullptr && ::GetActiveWindow() == hwnd) ::SetActiveWindow(owner);
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    return result_;
}

void CDialogEx::EndDialog(INT_PTR result) {
    result_ = result;
    ended_ = true;
    // Wakes the modal loop if it is waiting for a message.
    if (m_hWnd != nullptr) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

void CDialogEx::RunModalLoop() {
    MSG message;
    while (!ended_) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // Leave WM_QUIT for the loop outside this dialog.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got == -1) break;
        if (!PreTranslateMessage(&message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

BOOL CDialogEx::PreTranslateMessage(MSG* message) {
    return m_hWnd != nullptr && ::IsDialogMessageW(m_hWnd, message);
}

BOOL CDialogEx::OnInitDialog() {
    DoDataExchange();
    return TRUE;
}

void CDialogEx::ApplyMenuLanguage(UINT menuId) const {
    // The dialog manager loaded the template's menu in the system's choice
    // of language; replace it with the one of the program's language.
    HMENU menu = LoadUiMenu(menuId);
    if (menu == nullptr) return;
    HMENU previous = ::GetMenu(m_hWnd);
    ::SetMenu(m_hWnd, menu);
    if (previous != nullptr) ::DestroyMenu(previous);
}

INT_PTR CALLBACK CDialogEx::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // Nothing may unwind into the dialog manager's frames: the failure is
    // shown and the dialog goes on with its next message. A dialog whose
    // initialisation failed is not shown.
    try {
        return HandleMessage(hwnd, message, wParam, lParam);
    } catch (...) {
        ReportCaughtException(hwnd);
        if (message == WM_PAINT) ::ValidateRect(hwnd, nullptr);
        auto* self = reinterpret_cast<CDialogEx*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
        if (message == WM_INITDIALOG && self != nullptr) self->EndDialog(-1);
        return FALSE;
    }
}

INT_PTR CDialogEx::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialogEx*>(lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
        const DLGTEMPLATE* dialogTemplate = LoadUiDialogTemplate(self->templateId_);
        if (dialogTemplate != nullptr) {
            const UINT menuId = MenuIdOfDialogTemplate(dialogTemplate);
            if (menuId != 0) self->ApplyMenuLanguage(menuId);
        }
        RECT before{};
        ::GetWindowRect(hwnd, &before);
        const BOOL result = self->OnInitDialog();
        // A dialog that its initialisation left where the template put it is
        // centred before it is first shown.
        RECT after{};
        if (::IsWindow(hwnd) && ::GetWindowRect(hwnd, &after) && after.left == before.left &&
            after.top == before.top && (::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) == 0) {
            CenterWindow(hwnd);
        }
        return result;
    }
    auto* self = reinterpret_cast<CDialogEx*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr) return FALSE;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        self->PostNcDestroy();
        return FALSE;
    }
    return self->Dispatch(message, wParam, lParam);
}

INT_PTR CDialogEx::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (message == WM_COMMAND && lParam != 0) {
        ::SendMessageW(reinterpret_cast<HWND>(lParam), kReflectedCommand, wParam, lParam);
    }
    const MessageMap map = GetMessageMap();
    for (size_t index = 0; index < map.count; ++index) {
        const MessageMapEntry& entry = map.entries[index];
        if (entry.message != message) continue;
        if (entry.onCommand != nullptr) {
            const bool codeMatches = entry.anyCode ? code <= 1 : code == entry.code;
            if (!codeMatches || id < entry.firstId || id > entry.lastId) continue;
            (this->*entry.onCommand)(id);
            return TRUE;
        }
        bool handled = true;
        const LRESULT result = (this->*entry.onMessage)(wParam, lParam, handled);
        if (!handled) return FALSE;
        if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
        ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    if (message == WM_COMMAND && code <= 1) {
        if (id == IDOK) {
            OnOK();
            return TRUE;
        }
        if (id == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}
