// A run stopped by Ctrl+C or SIGTERM: the adapters in progress are finished,
// no new one is started, and the ones left out are reported as not started.
#pragma once

#include "cli/cli_context.h"

// The result text of an adapter a stop left out.
constexpr const char kNotStartedResult[] = "not started";

// kExitInterrupted for Ctrl+C, kExitTerminated for SIGTERM.
int InterruptedExitCode(const CliEnvironment& environment);
