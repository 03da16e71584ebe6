#include "ui/framework/message_box.h"

#include "ui/framework/resource_language.h"
#include "ui/framework/win_app.h"
#include "ui/framework/wnd.h"

int AfxMessageBox(const wchar_t* text, UINT type) {
    CWinApp* app = AfxGetApp();
    HWND owner = ::GetActiveWindow();
    if (owner == nullptr && app != nullptr && app->m_pMainWnd != nullptr) owner = app->m_pMainWnd->m_hWnd;
    const wchar_t* caption = app != nullptr ? app->AppName().c_str() : L"";
    return ::MessageBoxW(owner, text, caption, type);
}

int AfxMessageBox(UINT stringId, UINT type) { return AfxMessageBox(LoadUiString(stringId).c_str(), type); }
