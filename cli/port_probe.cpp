#include "cli/port_probe.h"

#include "cli/concurrent_jobs.h"
#include "cli/device_output.h"
#include "cli/device_session.h"
#include "cli/device_text.h"
#include "cli/executor_share.h"
#include "cli/operation_log.h"
#include "cli/run_stop.h"
#include "text/text_convert.h"

namespace {

ProbeResult ProbeOne(CliContext& context, const std::string& port)
{
    ProbeResult probed;
    probed.port = port;
    if (context.interrupted.load()) {
        probed.exitCode = InterruptedExitCode(context.environment);
        probed.failure = kNotStartedResult;
        LogOperation(context, {port, nullptr, "probe", nullptr, nullptr, probed.failure, probed.exitCode});
        return probed;
    }
    DeviceSession session(context, SessionMode::kBatch);
    probed.exitCode = session.Connect(port);
    if (probed.exitCode == kExitOk)
        probed.exitCode = session.FailWith(session.commands.ReadDevice(), "Failed to read the device.");
    switch (probed.exitCode) {
    case kExitOk: {
        const DeviceReadings& readings = session.readings;
        probed.model = EscapeDeviceText(readings.modelText);
        probed.address = BdAddrToHex(readings.info.address);
        probed.version = ShownField(readings.version, sizeof readings.version);
        probed.name = ShownField(readings.info.name, sizeof readings.info.name);
        session.readBack = {{"model", probed.model}, {"address", probed.address}, {"version", probed.version},
                            {"name", probed.name}};
        break;
    }
    case kExitPortOpen:
        probed.failure = session.Failure();
        break;
    default:
        // The identification's short line, or what failed in the read after it.
        probed.failure = session.Failure();
        probed.model = EscapeDeviceText(session.readings.modelText);
        break;
    }
    LogOperation(context, {port, &session.readings, "probe", nullptr, session.readBack,
                           probed.failure.empty() ? std::string("ok") : probed.failure, probed.exitCode});
    return probed;
}

}  // namespace

std::vector<ProbeResult> ProbePorts(CliContext& context, const std::vector<std::string>& ports)
{
    std::vector<ProbeResult> results(ports.size());
    ExecutorShare share;
    RunConcurrently(ports.size(), 0, [&](size_t index) { results[index] = ProbeOne(context, ports[index]); });
    return results;
}
