// The system's serial ports: one implementation per platform (the registry's
// serial port map on Windows, the serial device nodes of /dev elsewhere),
// sorted as the port dialog's list shows them.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_context.h"

// Port names in the platform's order, possibly with duplicates.
std::vector<std::string> EnumeratePortNames();

// Whether the port is there now: its device node (which may be a link) on
// Linux, an entry of the serial port map on Windows.
bool PortExists(const std::string& name);

// Alphabetical ignoring case (COM10 before COM3), duplicates dropped: the
// order of the port dialog's sorted list.
void SortPortNames(std::vector<std::string>& names);

// The ports a command works on when none is named: the system's (or the
// environment's, in tests), sorted.
std::vector<std::string> ListedPorts(const CliContext& context);
