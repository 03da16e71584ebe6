// The program's entry point and its one application object.
#include <windows.h>

#include "app/zantor_kx4xx_manager_app.h"

// Constructed after the I/O executor of the serial library (static
// initialisation of a library linked before this file), destroyed before it.
CZANTORKX4xxManagerApp theApp;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return AfxWinMain(); }
