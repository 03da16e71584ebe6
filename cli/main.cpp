// kx4xx: the command-line tool. Everything but the library search, the
// arguments' text, the Ctrl+C handler, the terminal check and the standard
// streams lives in kx4xx_cli_lib.
#include "cli/cli_app.h"
#include "cli/cli_args.h"
#include "cli/interrupt.h"
#include "cli/library_search.h"
#include "cli/std_streams.h"
#include "cli/terminal.h"

int main(int argc, char** argv)
{
    RestrictLibrarySearch();
    InstallInterruptHandler();
    CliEnvironment environment{InterruptFlag()};
    environment.interruptSignal = &InterruptSignal();
    environment.liveOutput = OutputIsTerminal();
    environment.terminalRows = OutputTerminalRows();
    return RunCli(CommandLineArgs(argc, argv), StandardOutput(), StandardError(), environment);
}
