// snapshot verify and snapshot apply --dry-run: each adapter read in full
// (the read that follows an apply) and compared with the snapshot, setting by
// setting; nothing is written to any adapter.
#pragma once

#include <functional>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"
#include "cli/snapshot_apply.h"

// Connects, identifies, reads everything and compares. The outcome is
// "matches" or, with differences, "differs" (kExitNotVerified) for verify and
// "would-write" (kExitOk) for a dry run. Logs the operation (nothing written).
ApplyResult CompareSnapshot(CliContext& context, const std::string& port, const DeviceSettings& settings,
                            const std::string& operation, const ApplyProgress& progress, unsigned number);

// Each setting that differs as {"key", "file", "adapter"}, in the order of
// SettingsDifferences.
nlohmann::json DetailedDifferences(const DeviceSettings& file, const DeviceSettings& adapter);

// snapshot verify FILE [--port P]... [--all] [--jobs N], run by runBatch
// (the batch of snapshot apply) with the mode set to kVerify. Returns it.
CLI::App* AddSnapshotVerifyCommand(CLI::App& snapshot, CliContext& context,
                                   const std::function<int()>& runBatch);
// snapshot apply --dry-run.
void AddDryRunOption(CLI::App& apply, CliContext& context);
