// CliContext: what every command of one kx4xx run shares: the console, the
// global options and the interrupt flag.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "cli/console.h"
#include "cli/exit_codes.h"

// The values of the subcommands' options and arguments, fresh for each run.
struct OptionValues {
    std::string name;            // set-name
    std::string interval;        // set-interval
    std::string flow, parity, stopBits;  // set-uart
    bool confirmed = false;      // factory-reset --yes
    std::string nameFilter;      // scan --name
    std::string rssi;            // scan --rssi
    unsigned seconds = 10;       // scan --seconds
    int slot = 0;                // slots set / clear
    std::string address, tag;    // slots set
    std::string file;            // slots write, snapshot save / apply
    std::vector<std::string> applyPorts;  // snapshot apply --port
};

struct CliContext {
    Console& console;                    // we don't own it
    const std::atomic<bool>& interrupted;  // set by Ctrl+C; only the scan loop stops for it
    std::vector<std::string> ports;      // --port, in the order given
    bool trace = false;                  // --trace: bytes to the error stream
    std::string traceFile;               // --trace-file: bytes to this file
    OptionValues values;
    int exitCode = kExitOk;
};
