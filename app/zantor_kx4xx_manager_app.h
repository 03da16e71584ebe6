// CZANTORKX4xxManagerApp: the application object. Its start-up starts the
// common controls, GDI+ and the rich edit library, runs the main window
// modally, and shuts GDI+ down after the window has closed.
#pragma once

#include "ui/framework/win_app.h"

class CZANTORKX4xxManagerApp : public CWinApp {
public:
    CZANTORKX4xxManagerApp() = default;

    // Always FALSE: the process ends when the main window has closed.
    BOOL InitInstance() override;
};
