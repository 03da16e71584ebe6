#include "cli/device_session.h"

#include <thread>

#include "cli/messages.h"
#include "protocol/at_commands.h"

namespace {

// The window's pauses between exchanges, slept here: the tool has no worker
// to stop, and a slot write is never cut short halfway.
bool SleepPause(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
    return true;
}

}  // namespace

DeviceSession::DeviceSession(CliContext& theContext)
    : commands(engine, readings, scanState, SleepPause), context(theContext)
{
}

DeviceSession::~DeviceSession()
{
    engine.Close();
}

int DeviceSession::Connect(const std::string& port)
{
    portName = port;
    if (context.trace) {
        trace = std::make_unique<TraceLog>([this](const std::string& line) { context.console.ErrLine(line); });
    } else if (!context.traceFile.empty()) {
        traceFile = std::make_unique<std::ofstream>(context.traceFile, std::ios::app);
        if (!*traceFile)
            return context.console.Fail(kExitBadArguments, "Cannot write the trace file " + context.traceFile + ".");
        trace = std::make_unique<TraceLog>([this](const std::string& line) {
            std::lock_guard<std::mutex> lock(traceFileMutex);
            *traceFile << line << '\n';
            traceFile->flush();
        });
    }
    engine.onSend = [this](const ZantorKX4xxComm*, const std::vector<uint8_t>& bytes) {
        lastSendTicks = std::chrono::steady_clock::now().time_since_epoch().count();
        if (trace)
            trace->Sent(bytes);
    };
    engine.onReceive = [this](const ZantorKX4xxComm*, const std::vector<uint8_t>& bytes) {
        if (trace)
            trace->Received(bytes);
    };

    const std::error_code error = engine.Open(port, kBaudRate, 0, 0);
    if (error)
        return context.console.Fail(kExitPortOpen, std::string(msg::kOpenPort) + ": " + port + ": " + error.message());
    const CmdOutcome identified = commands.Identify(kBaudRate);
    if (identified == RESULT_FAILED)
        return context.console.Fail(ExitCodeOf(identified), msg::kNotZantorDevice);
    return FailWith(identified, msg::kNotZantorDevice);
}

int DeviceSession::ExitCodeOf(CmdOutcome outcome) const
{
    switch (outcome) {
    case RESULT_OK:
        return kExitOk;
    case RESULT_UNSUPPORTED:
        return kExitUnsupported;
    default: {
        const std::chrono::steady_clock::duration sinceSend =
            std::chrono::steady_clock::now().time_since_epoch() - std::chrono::steady_clock::duration(lastSendTicks.load());
        return sinceSend >= std::chrono::milliseconds(kTimeLimitMs) ? kExitNoReply : kExitRefused;
    }
    }
}

int DeviceSession::FailWith(CmdOutcome outcome, const std::string& failureText)
{
    const int code = ExitCodeOf(outcome);
    if (code == kExitOk)
        return kExitOk;
    if (code == kExitUnsupported)
        return context.console.Fail(code, msg::kUnsupportedDevice + std::string(" (model \"") + readings.modelText + "\")");
    return context.console.Fail(code, failureText);
}
