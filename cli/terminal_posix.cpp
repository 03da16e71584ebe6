#include <sys/ioctl.h>
#include <unistd.h>

#include "cli/terminal.h"

bool OutputIsTerminal()
{
    return isatty(STDOUT_FILENO) == 1;
}

unsigned OutputTerminalRows()
{
    winsize size{};
    return ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_row : 0;
}
