// CliContext: what every command of one kx4xx run shares: the console, the
// global options, the operation log and the interrupt flag.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/console.h"
#include "cli/exit_codes.h"
#include "cli/trace_file.h"

class OperationLog;
class ResultsTable;

// What a snapshot batch does to each adapter.
enum class SnapshotMode {
    kApply,   // snapshot apply, provision: write, then read back
    kVerify,  // snapshot verify: read and compare, nothing written
    kDryRun,  // snapshot apply --dry-run: read and show what would be written
};

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
    std::string file;            // slots write, snapshot save / apply, provision
    std::vector<std::string> applyPorts;  // snapshot apply --port
    bool probe = false;          // ports --probe
    bool allPorts = false;       // snapshot apply --all
    unsigned jobs = 0;           // snapshot apply --jobs: adapters at once; 0 for all
    unsigned expected = 0;       // snapshot apply --expect: adapters that must be done
    bool watch = false;          // provision --watch
    // The bench options of the batches (snapshot apply / verify, provision).
    SnapshotMode snapshotMode = SnapshotMode::kApply;
    std::string resultsFile;     // --results: one row per adapter, CSV or JSON
    std::string nameTemplate;    // --name-template: each adapter's own device name
    unsigned retries = 0;        // --retry: further tries after a transient fault
};

// What a run gets from its surroundings rather than from its arguments.
struct CliEnvironment {
    const std::atomic<bool>& interrupted;  // set by Ctrl+C or SIGTERM
    // The signal that set interrupted (SIGINT or SIGTERM); taken as SIGINT
    // when null or 0.
    const std::atomic<int>* interruptSignal = nullptr;
    bool liveOutput = false;               // the output is a terminal: progress lines are redrawn in place
    unsigned terminalRows = 0;             // the terminal's rows; 0 when unknown
    // The system's serial ports; the platform's enumeration unless a test gives its own.
    std::function<std::vector<std::string>()> listPorts;
};

struct CliContext {
    Console& console;                    // we don't own it
    const CliEnvironment& environment;   // we don't own it
    const std::atomic<bool>& interrupted;  // set by Ctrl+C or SIGTERM; the scan and the watch stop for it
    bool interruptEndsNormally = false;    // scan, provision --watch: a stop is how they end, not a failure
    std::vector<std::string> ports;      // --port, in the order given
    bool trace = false;                  // --trace: bytes to the error stream
    std::string traceFile;               // --trace-file: bytes to this file
    std::shared_ptr<TraceFile> traceOut = std::make_shared<TraceFile>();  // its one stream, for every session
    std::string logFile;                 // --log: one JSON line per adapter and operation
    std::shared_ptr<OperationLog> log;   // open once a command talks to adapters
    std::shared_ptr<ResultsTable> results;  // the rows of --results, made when the option is given
    OptionValues values;
    int exitCode = kExitOk;
};
