// kx4xx: the command-line tool. Everything but the arguments' text and the
// Ctrl+C handler lives in kx4xx_cli_lib.
#include <iostream>

#include "cli/cli_app.h"
#include "cli/cli_args.h"
#include "cli/interrupt.h"

int main(int argc, char** argv)
{
    InstallInterruptHandler();
    return RunCli(CommandLineArgs(argc, argv), std::cout, std::cerr, InterruptFlag());
}
