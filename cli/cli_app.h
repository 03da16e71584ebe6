// RunCli: one run of kx4xx, as main runs it and as the tests run it in-process.
#pragma once

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_context.h"

// args holds the program name first. Results go to out; failures (in text
// mode), help for bad arguments and the --trace lines go to err. interrupted
// is the Ctrl+C flag that ends a scan. Returns the exit code (exit_codes.h).
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const std::atomic<bool>& interrupted);

// The same with what the run gets from its surroundings: the Ctrl+C flag,
// whether the output is a terminal, the port list (tests give their own).
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const CliEnvironment& environment);
