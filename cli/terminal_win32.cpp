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

unsigned OutputTerminalRows()
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info))
        return 0;
    return static_cast<unsigned>(info.srWindow.Bottom - info.srWindow.Top + 1);
}
