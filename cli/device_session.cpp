#include "cli/device_session.h"

#include <cstring>
#include <thread>

#include "cli/device_text.h"
#include "cli/messages.h"
#include "cli/operation_log.h"
#include "cli/port_identity.h"
#include "cli/run_stop.h"
#include "protocol/at_commands.h"
#include "text/error_text.h"

namespace {

// The window's pauses between exchanges, slept here: the tool has no worker
// to stop, and a slot write is never cut short halfway.
bool SleepPause(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
    return true;
}

bool IsSlotWrite(const std::vector<uint8_t>& bytes)
{
    const std::string text(bytes.begin(), bytes.end());
    return text.rfind("AT+SETSLOT=", 0) == 0 || text.rfind("AT+DELSLOT=", 0) == 0;
}

}  // namespace

DeviceSession::DeviceSession(CliContext& theContext, SessionMode theMode)
    : commands(engine, readings, scanState, SleepPause), context(theContext), mode(theMode)
{
}

DeviceSession::~DeviceSession()
{
    engine.Close();
}

int DeviceSession::Connect(const std::string& port)
{
    portName = port;
    // In a batch the lines of several adapters meet in one trace.
    const std::string label = mode == SessionMode::kBatch ? port + " " : std::string();
    if (context.trace) {
        trace = std::make_unique<TraceLog>([this, label](const std::string& line) { context.console.ErrLine(label + line); });
    } else if (!context.traceFile.empty()) {
        if (!context.traceOut->Open(context.traceFile))
            return Fail(kExitBadArguments, "Cannot write the trace file " + context.traceFile + ".");
        trace = std::make_unique<TraceLog>(
            [out = context.traceOut, label](const std::string& line) { out->WriteLine(label + line); });
    }
    engine.onSend = [this](const ZantorKX4xxComm*, const std::vector<uint8_t>& bytes) {
        lastSendTicks = std::chrono::steady_clock::now().time_since_epoch().count();
        if (IsSlotWrite(bytes))
            ++slotWritesSent;
        if (trace)
            trace->Sent(bytes);
    };
    engine.onReceive = [this](const ZantorKX4xxComm*, const std::vector<uint8_t>& bytes) {
        if (trace)
            trace->Received(bytes);
    };

    const std::error_code error = engine.Open(port, kBaudRate, 0, 0);
    if (error == std::errc::device_or_resource_busy)
        return Fail(kExitPortOpen, std::string(msg::kOpenPort) + ": " + port +
                                       ": the port is in use (another kx4xx or program has it open).");
    if (error)
        return Fail(kExitPortOpen, std::string(msg::kOpenPort) + ": " + port + ": " + ErrorText(error));
    opened = true;
    const CmdOutcome identified = commands.Identify(kBaudRate);
    if (mode == SessionMode::kBatch)
        return FailIdentifyInBatch(identified);
    if (identified == RESULT_FAILED)
        return Fail(ExitCodeOf(identified), msg::kNotZantorDevice);
    return FailWith(identified, msg::kNotZantorDevice);
}

int DeviceSession::FailIdentifyInBatch(CmdOutcome identified)
{
    const int code = ExitCodeOf(identified);
    switch (code) {
    case kExitOk:
        return kExitOk;
    case kExitUnsupported:
        return Fail(code, "unsupported model \"" + EscapeDeviceText(readings.modelText) + "\"");
    case kExitNoReply:
        return Fail(code, "no reply");
    default:
        return Fail(code, "unexpected reply: no adapter of the ZANTOR-KX400 series");
    }
}

CmdOutcome DeviceSession::ReadIdentity()
{
    const ReplyResult version = engine.SendAndWait(kAtGetVersion.data(), kAtGetVersion.size(), ATCMD_GET_VERSION,
                                                   kTimeLimitMs);
    if (ResultKind(version) != REPLY_VERSION)
        return RESULT_FAILED;
    const ReplyResult info = engine.SendAndWait(kAtGetInfo.data(), kAtGetInfo.size(), ATCMD_GET_INFO, kTimeLimitMs);
    if (ResultKind(info) != REPLY_INFO)
        return RESULT_FAILED;
    std::memcpy(readings.version, ResultPayload(version), sizeof readings.version);
    readings.version[sizeof readings.version - 1] = '\0';
    std::memcpy(&readings.info, ResultPayload(info), sizeof readings.info);
    return RESULT_OK;
}

bool DeviceSession::LineLost() const
{
    return opened.load() && !engine.port->isOpen.load();
}

int DeviceSession::ExitCodeOf(CmdOutcome outcome) const
{
    switch (outcome) {
    case RESULT_OK:
        return kExitOk;
    case RESULT_UNSUPPORTED:
        return kExitUnsupported;
    default: {
        if (LineLost())
            return kExitNoReply;
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
        return Fail(code, msg::kUnsupportedDevice + std::string(" (model \"") + EscapeDeviceText(readings.modelText) +
                              "\")");
    if (LineLost())
        return Fail(code, failureText + " The port closed: the adapter was unplugged or its line failed.");
    return Fail(code, failureText);
}

int DeviceSession::Fail(int code, const std::string& message)
{
    failure = message;
    if (mode == SessionMode::kBatch)
        return code;
    return context.console.Fail(code, message);
}

int WithDevice(CliContext& context, const std::string& operation, const std::function<int(DeviceSession&)>& body)
{
    if (const int code = CheckDistinctPorts(context, context.ports))
        return code;
    if (context.ports.size() != 1)
        return context.console.Fail(kExitBadArguments, "This command needs exactly one --port.");
    if (const int code = OpenOperationLog(context))
        return code;
    if (context.interrupted.load())
        return context.console.Fail(InterruptedExitCode(context.environment), "Stopped before anything was sent.");
    DeviceSession session(context);
    int code = session.Connect(context.ports.front());
    if (code == kExitOk)
        code = body(session);
    LogOperation(context, {session.PortName(), &session.readings, operation, session.written, session.readBack,
                           code == kExitOk ? std::string("ok") : context.console.lastFailure, code});
    return code;
}
