// --name-template TEXT: a device name of its own for each adapter of a batch.
//   {n}       the adapter's running number (1, 2, ... 10)
//   {n:3}     the running number zero-padded to 3 digits (001)
//   {addr}    the adapter's Bluetooth address, 12 upper-case hex digits
//   {addr:4}  its last 4 hex digits
//   {{ }}     literal braces
// Anything else in braces is an error naming it. The template is checked
// before anything is written, with the longest running number that can occur
// and a full address, against the device name rules.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"
#include "cli/value_checks.h"

struct DeviceSettings;
class DeviceSession;

// Registers --name-template on a batch command.
void AddNameTemplateOption(CLI::App& command, CliContext& context);

// The syntax of a template and the name it gives with running numbers up to
// highestNumber; the message of a failure, or nothing.
CheckFailure CheckNameTemplate(const std::string& text, unsigned highestNumber);

// The name for one adapter; text must have passed CheckNameTemplate.
std::string ExpandNameTemplate(const std::string& text, unsigned number, const std::string& addressHex);

// The highest running number a watch checks its template with; a later
// adapter whose name would not fit is refused alone, before it is written.
constexpr unsigned kWatchHighestNumber = 999;

// Before a batch starts: the --name-template (if any) checked for `adapters`
// adapters. Reports a failure with kExitBadArguments; kExitOk otherwise.
int CheckBatchNameTemplate(CliContext& context, unsigned adapters);

// Once the adapter's address is read: settings.name replaced with its own
// name from --name-template (nothing happens without one). An own name that
// fails the name rules fails the session with kExitBadArguments.
int UseOwnName(CliContext& context, DeviceSession& session, unsigned number, DeviceSettings& settings);
