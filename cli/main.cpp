// kx4xx: the command-line tool. Everything but the library search, the
// arguments' text, the Ctrl+C handler and the terminal check lives in
// kx4xx_cli_lib.
#include <iostream>

#include "cli/cli_app.h"
#include "cli/cli_args.h"
#include "cli/interrupt.h"
#include "cli/library_search.h"
#include "cli/terminal.h"

int main(int argc, char** argv)
{
    RestrictLibrarySearch();
    InstallInterruptHandler();
    CliEnvironment environment{InterruptFlag()};
    environment.liveOutput = OutputIsTerminal();
    return RunCli(CommandLineArgs(argc, argv), std::cout, std::cerr, environment);
}
