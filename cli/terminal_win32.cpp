// A console window takes the cursor sequences once virtual terminal
// processing is on; a console that refuses it, or output redirected to a
// file or pipe, gets plain lines.
#include <windows.h>

#include "cli/terminal.h"

bool OutputIsTerminal()
{
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (output == INVALID_HANDLE_VALUE || !GetConsoleMode(output, &mode))
        return false;
    return SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}
