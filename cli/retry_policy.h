// --retry N: an adapter whose try ended on a transient fault (no reply, the
// port closed under it, the port could not be opened) is tried again, up to
// N more times, after a short pause. A refusal, an unsupported model or a
// failed read back is an answer, not a fault: it is never retried.
#pragma once

#include <chrono>

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"

// The pause before a try again: an adapter plugged in by hand settles.
constexpr auto kRetryPause = std::chrono::milliseconds(500);

void AddRetryOption(CLI::App& command, CliContext& context);

// Whether a try that ended with exitCode may be tried again.
bool IsTransientFailure(int exitCode);

// Sleeps kRetryPause, waking early for Ctrl+C; false when interrupted.
bool PauseBeforeRetry(const CliContext& context);
