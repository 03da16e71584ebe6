#include "app/zantor_kx4xx_manager_app.h"

#include <windows.h>
#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>

#include "ui/framework/system_dlls.h"
#include "ui/main/zantor_kx4xx_manager_dlg.h"

namespace {

constexpr const wchar_t* kRegistryKey = L"Norvane";

}  // namespace

BOOL CZANTORKX4xxManagerApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
    InitCommonControlsEx(&controls);

    Gdiplus::GdiplusStartupInput gdiplusInput;
    ULONG_PTR gdiplusToken = 0;
    if (Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr) != Gdiplus::Ok) {
        MessageBoxW(nullptr, L"Unable to initialize Gdiplus", L"Error", MB_ICONERROR);
        return FALSE;
    }
    // The COM port dialog's hint is a RichEdit20W control: without the
    // library that dialog cannot be created, which the main window treats
    // like Cancel. Only the system's copy: riched20.dll is no DLL that
    // Windows always takes from the system folder.
    LoadSystemDll(L"riched20.dll");

    SetRegistryKey(kRegistryKey);
    {
        CZANTORKX4xxManagerDlg mainWindow;
        m_pMainWnd = &mainWindow;
        mainWindow.DoModal();
        m_pMainWnd = nullptr;
        // Every picture has released its GDI+ image with its window; the
        // window object itself may outlive GDI+.
        Gdiplus::GdiplusShutdown(gdiplusToken);
    }
    return FALSE;
}
