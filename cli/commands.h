// The command groups of kx4xx, each adding its subcommands to the parser.
// A subcommand's callback runs after parsing and stores its exit code in
// the context.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"

void AddPortsCommand(CLI::App& app, CliContext& context);
void AddDeviceCommands(CLI::App& app, CliContext& context);
void AddScanCommand(CLI::App& app, CliContext& context);
void AddSlotCommands(CLI::App& app, CliContext& context);
void AddSnapshotCommands(CLI::App& app, CliContext& context);
void AddProvisionCommand(CLI::App& app, CliContext& context);
