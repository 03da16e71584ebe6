#include "cli/port_identity.h"

#include <map>

int CheckDistinctPorts(CliContext& context, const std::vector<std::string>& ports)
{
    std::map<std::string, const std::string*> seen;  // identity to the first name given for it
    for (const std::string& port : ports) {
        const auto [entry, added] = seen.emplace(PortIdentity(port), &port);
        if (added)
            continue;
        const std::string& first = *entry->second;
        return context.console.Fail(
            kExitBadArguments, first == port ? "The port " + port + " is given twice: name each adapter once."
                                             : "The ports " + first + " and " + port +
                                                   " are the same device: name each adapter once.");
    }
    return kExitOk;
}
