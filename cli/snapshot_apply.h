// Applying a snapshot to one adapter, as snapshot apply and provision do it:
// every setting written with the window's command sequences, then a full
// read back compared with what was written.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "cli/settings_json.h"

struct ApplyResult {
    std::string port;
    int exitCode = kExitOk;
    std::string result;                    // "applied and verified" or the failure
    std::vector<std::string> differences;  // fields read back otherwise
    std::string address;                   // empty unless read back
    bool answered = false;                 // something on the port replied (a model, any reply)
    // For the bench: the adapter's model text (empty unless read), the
    // outcome as one word ("applied", "no-reply", ...), how many tries it
    // took, and each differing setting as {"key", "file", "adapter"}.
    std::string model;
    std::string outcome;
    unsigned attempts = 1;
    nlohmann::json settingDifferences;
};

class DeviceSession;

// Reports each step as it starts: a short text and the share of the work done.
using ApplyProgress = std::function<void(const std::string& step, unsigned percent)>;

// Runs on the calling thread with an engine of its own; safe to run for
// several ports at once under an ExecutorShare. Logs the operation.
// number: the adapter's running number in the batch, for --name-template.
ApplyResult ApplySnapshot(CliContext& context, const std::string& port, const DeviceSettings& settings,
                          const std::string& operation, const ApplyProgress& progress, unsigned number = 1);

// The start of every snapshot job on an adapter: connects, reads its
// identity and, under --name-template, gives settings the adapter's own name.
// Nothing is written; returns the session's exit code.
int OpenForSnapshot(CliContext& context, DeviceSession& session, const std::string& port, unsigned number,
                    DeviceSettings& settings);

// The result of an adapter a stop left out (nothing sent to it); logs it and
// gives it its row of --results under its running number.
ApplyResult NotStarted(CliContext& context, const std::string& port, const std::string& operation, unsigned number);

// The result column of the summary: the result with the differences.
std::string ResultText(const ApplyResult& applied);

// Reads and checks a snapshot file; reports a failure (kExitBadArguments).
int LoadSnapshot(CliContext& context, DeviceSettings& settings);
