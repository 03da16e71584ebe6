// One adapter of a snapshot batch (snapshot apply / verify, provision): the
// mode's work (apply, or compare for verify and the dry run), tried again on
// a transient fault under --retry, its outcome as one word, and its row for
// --results.
#pragma once

#include <string>

#include "cli/cli_context.h"
#include "cli/snapshot_apply.h"

// number: the adapter's running number (1-based) for --name-template and the
// order of the results rows. operation names the apply in the log; verify and
// the dry run log under their own names.
ApplyResult RunSnapshotJob(CliContext& context, const std::string& port, const DeviceSettings& settings,
                           const std::string& operation, const ApplyProgress& progress, unsigned number);

// Before a batch sends anything: --name-template checked for `adapters`
// adapters, --results not the snapshot file. Reports a failure and returns
// kExitBadArguments; kExitOk otherwise.
int CheckBenchOptions(CliContext& context, unsigned adapters);

// The outcome word of a result whose work did not set one, by its exit code.
std::string OutcomeOfExitCode(int exitCode, SnapshotMode mode);
