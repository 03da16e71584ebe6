// The program's entry point and its one application object.
#include <windows.h>

#include "app/zantor_kx4xx_manager_app.h"
#include "ui/framework/system_dlls.h"

// Constructed after the I/O executor of the serial library (static
// initialisation of a library linked before this file), destroyed before it.
CZANTORKX4xxManagerApp theApp;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before any DLL is loaded by name: a program copied to a download folder
    // must not run the DLLs that lie beside it.
    RestrictDllSearchToSystemFolder();
    return AfxWinMain();
}
