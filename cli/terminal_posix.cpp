#include <unistd.h>

#include "cli/terminal.h"

bool OutputIsTerminal()
{
    return isatty(STDOUT_FILENO) == 1;
}
