// Runs kx4xx in-process with captured output, for the CLI tests.
#pragma once

#include <atomic>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_app.h"

struct CliRun {
    int code = -1;
    std::string out;
    std::string err;
};

inline CliRun RunKx4xx(std::vector<std::string> args, const std::atomic<bool>& interrupted)
{
    args.insert(args.begin(), "kx4xx");
    std::ostringstream out;
    std::ostringstream err;
    CliRun run;
    run.code = RunCli(args, out, err, interrupted);
    run.out = out.str();
    run.err = err.str();
    return run;
}

inline CliRun RunKx4xx(std::vector<std::string> args)
{
    static const std::atomic<bool> kNeverInterrupted{false};
    return RunKx4xx(std::move(args), kNeverInterrupted);
}
