// Port probing: every port tried at once, each with an engine of its own,
// for ports --probe and snapshot apply --all. A port with no adapter costs
// the identification's time limits; all ports together cost no more.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_context.h"

struct ProbeResult {
    std::string port;
    int exitCode = kExitOk;
    // "no reply", "unsupported model \"X\"", the open error, the read's
    // failure, or "not started" after a stop; empty for an adapter identified
    // and read.
    std::string failure;
    std::string model, address, version, name;
};

// Results in the order of ports. Logs one "probe" operation per port.
std::vector<ProbeResult> ProbePorts(CliContext& context, const std::vector<std::string>& ports);
