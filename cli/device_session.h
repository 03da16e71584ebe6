// DeviceSession: one open adapter for one command, over the engine and the
// device command sequences exactly as the main window uses them: the port
// opened at 115200 baud, 8 data bits, no parity, one stop bit, then the link
// test and model identification before anything else.
//
// The outcome of a failed command is split by how its last exchange ended:
// one that ran out its time limit (1200 ms at least) got no reply; one that
// ended sooner got an answer other than the expected one, a refusal. Bytes
// received cannot tell: a reply that came too late for its own command is
// received during the next one. The time is taken from the engine's report
// of each text sent, which comes just before the text goes out. A line
// that failed under the session (the adapter unplugged) closes the port: that
// is no reply either, whenever it happened.
//
// Threads: a session belongs to the thread that made it. Several sessions may
// run at once on threads of their own (SessionMode::kBatch): each keeps its
// failure for the caller's summary instead of printing it, and labels its
// trace lines with its port.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/cli_context.h"
#include "cli/trace_log.h"
#include "device/device_commands.h"

enum class SessionMode {
    kSingle,  // failures reported at once on the console
    kBatch,   // failures kept in Failure() for a summary; trace lines carry the port
};

class DeviceSession {
    ZantorKX4xxComm engine;  // first: the command sequences below refer to it

public:
    explicit DeviceSession(CliContext& context, SessionMode mode = SessionMode::kSingle);
    // Closes the port, which joins the I/O threads of the last open port.
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // Opens port and identifies the adapter. On failure reports it and
    // returns its exit code; kExitOk when the adapter is a supported model.
    int Connect(const std::string& port);

    // Reads the firmware version, address and name (and nothing else) into
    // readings, so that an adapter is known by its address before anything
    // is written to it, whatever happens next. RESULT_FAILED when either
    // query went unanswered.
    CmdOutcome ReadIdentity();

    // The exit code of a command outcome (kExitOk for RESULT_OK).
    int ExitCodeOf(CmdOutcome outcome) const;
    // Reports failureText for a failed outcome (the window's model messages
    // for an unsupported model) and returns its exit code.
    int FailWith(CmdOutcome outcome, const std::string& failureText);
    // Records a failure (printed at once unless the session is in a batch)
    // and returns code.
    int Fail(int code, const std::string& message);
    // The message of the last failure; empty while none happened.
    const std::string& Failure() const { return failure; }
    // Whether the port closed under the session after a line failure.
    bool LineLost() const;
    // How many slot writes ("AT+SETSLOT", "AT+DELSLOT") were sent so far.
    unsigned SlotWritesSent() const { return slotWritesSent.load(); }

    static constexpr unsigned kBaudRate = 115200;

    DeviceReadings readings;
    std::atomic<ScanState> scanState{SCAN_IDLE};
    DeviceCommands commands;
    const std::string& PortName() const { return portName; }

    // What the command wrote and what it read back, for the operation log;
    // null when it did neither.
    nlohmann::json written;
    nlohmann::json readBack;

private:
    // A failed identification in a batch: one short line ("no reply",
    // "unsupported model \"X\"") the same in every batch command's summary.
    int FailIdentifyInBatch(CmdOutcome identified);

    CliContext& context;
    SessionMode mode;
    std::unique_ptr<TraceLog> trace;
    std::atomic<std::chrono::steady_clock::rep> lastSendTicks{0};  // steady clock; the requesting thread
    std::atomic<bool> opened{false};
    std::atomic<unsigned> slotWritesSent{0};  // counted on the engine's sending thread
    std::string portName;
    std::string failure;
};

// The set-up every single-adapter command shares: the one --port, the
// operation log opened, the adapter connected and identified; then body, and
// the operation's record in the log. Returns the exit code.
int WithDevice(CliContext& context, const std::string& operation, const std::function<int(DeviceSession&)>& body);
