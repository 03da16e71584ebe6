// The system's serial ports: one implementation per platform (the registry's
// serial port map on Windows, the serial device nodes of /dev elsewhere),
// sorted by name with their numbers in counting order.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_context.h"

// Port names in the platform's order, possibly with duplicates.
std::vector<std::string> EnumeratePortNames();

// Whether the port is there now: its device node (which may be a link) on
// Linux, an entry of the serial port map on Windows.
bool PortExists(const std::string& name);

// By name, ignoring case, with runs of digits compared as numbers (ttyUSB2
// before ttyUSB10, COM9 before COM10); duplicates dropped.
void SortPortNames(std::vector<std::string>& names);

// The ports a command works on when none is named: the system's (or the
// environment's, in tests), sorted.
std::vector<std::string> ListedPorts(const CliContext& context);
