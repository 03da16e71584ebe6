// Which device a port name opens, so that one adapter is never worked on by
// two sessions at once under two spellings: a name given twice, a doubled
// slash, a link to the same device node, another case on Windows.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_context.h"

// Equal for names that open the same device. One implementation per
// platform: the device number of the node on Linux (the name with its
// slashes collapsed when there is no node), the name without the "\\.\"
// prefix and ignoring case on Windows.
std::string PortIdentity(const std::string& name);

// Fails with kExitBadArguments, naming both spellings, when two of ports
// open the same device; nothing has been sent then.
int CheckDistinctPorts(CliContext& context, const std::vector<std::string>& ports);
