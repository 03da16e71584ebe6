// DeviceSession: one open adapter for one command, over the engine and the
// device command sequences exactly as the main window uses them: the port
// opened at 115200 baud, 8 data bits, no parity, one stop bit, then the link
// test and model identification before anything else.
//
// The outcome of a failed command is split by how its last exchange ended:
// one that ran out its time limit (1200 ms at least) got no reply; one that
// ended sooner got an answer other than the expected one, a refusal. Bytes
// received cannot tell: the engine reports a text sent only after it is on
// its way, so a quick reply may be observed before its own command.
#pragma once

#include <atomic>
#include <fstream>
#include <memory>
#include <string>

#include "cli/cli_context.h"
#include "cli/trace_log.h"
#include "device/device_commands.h"

class DeviceSession {
    ZantorKX4xxComm engine;  // first: the command sequences below refer to it

public:
    explicit DeviceSession(CliContext& context);
    // Closes the port, which joins the I/O threads of the last open port.
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // Opens port and identifies the adapter. On failure reports it and
    // returns its exit code; kExitOk when the adapter is a supported model.
    int Connect(const std::string& port);

    // The exit code of a command outcome (kExitOk for RESULT_OK).
    int ExitCodeOf(CmdOutcome outcome) const;
    // Reports failureText for a failed outcome (the window's model messages
    // for an unsupported model) and returns its exit code.
    int FailWith(CmdOutcome outcome, const std::string& failureText);

    static constexpr unsigned kBaudRate = 115200;

    DeviceReadings readings;
    std::atomic<ScanState> scanState{SCAN_IDLE};
    DeviceCommands commands;
    const std::string& PortName() const { return portName; }

private:
    CliContext& context;
    std::unique_ptr<std::ofstream> traceFile;
    std::unique_ptr<TraceLog> trace;
    std::mutex traceFileMutex;
    std::atomic<std::chrono::steady_clock::rep> lastSendTicks{0};  // steady clock; the requesting thread
    std::string portName;
};
