#include "cli/run_stop.h"

#include <csignal>

int InterruptedExitCode(const CliEnvironment& environment)
{
    const bool terminated = environment.interruptSignal != nullptr && environment.interruptSignal->load() == SIGTERM;
    return terminated ? kExitTerminated : kExitInterrupted;
}
