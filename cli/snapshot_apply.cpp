#include "cli/snapshot_apply.h"

#include "cli/device_session.h"
#include "cli/messages.h"
#include "cli/name_template.h"
#include "cli/operation_log.h"
#include "cli/results_file.h"
#include "cli/run_stop.h"
#include "text/text_convert.h"

namespace {

// The steps of one adapter, in order; the last one is the read back.
constexpr const char* kSteps[] = {"connecting", "device name", "advertising interval", "UART options", "slots",
                                  "reading back"};
constexpr unsigned kStepCount = sizeof kSteps / sizeof kSteps[0];

// session.written gains each setting as the adapter confirms it, so that
// the log holds what was written: nothing, or the part before a failure.
int ApplySteps(CliContext& context, DeviceSession& session, const std::string& port, DeviceSettings settings,
               unsigned number, const ApplyProgress& progress, std::vector<std::string>& differences)
{
    unsigned step = 0;
    auto next = [&] {
        progress(kSteps[step], step * 100 / kStepCount);
        ++step;
    };
    next();
    if (const int code = OpenForSnapshot(context, session, port, number, settings))
        return code;
    const nlohmann::json all = SettingsJson(settings);
    next();
    if (const int code = session.FailWith(session.commands.SetName(settings.name), msg::kNameSaveFailed))
        return code;
    session.written["name"] = all["name"];
    next();
    if (const int code = session.FailWith(session.commands.SetAdvInterval(settings.advInterval),
                                          msg::kAdvIntervalSaveFailed))
        return code;
    session.written["advInterval"] = all["advInterval"];
    next();
    if (const int code = session.FailWith(session.commands.SetUart(settings.uart), msg::kUartSaveFailed))
        return code;
    session.written["uart"] = all["uart"];
    next();
    const unsigned slotWritesBefore = session.SlotWritesSent();
    if (const int code = session.FailWith(session.commands.SaveSlots(settings.slots), msg::kSlotsSaveFailed)) {
        // The slots are written in order; the last one sent is the one that failed.
        const unsigned sent = session.SlotWritesSent() - slotWritesBefore;
        if (sent > 1)
            session.written["slots"] = nlohmann::json(all["slots"].begin(), all["slots"].begin() + (sent - 1));
        return code;
    }
    session.written["slots"] = all["slots"];
    next();
    if (const int code = session.FailWith(session.commands.ReadDevice(), "Failed to read the device back."))
        return code;
    const DeviceSettings readBack = SettingsFromReadings(session.readings);
    session.readBack = SettingsJson(readBack);
    differences = SettingsDifferences(settings, readBack);
    if (!differences.empty())
        return session.Fail(kExitNotVerified, "Read back with other settings.");
    return kExitOk;
}

// The adapter's address once it has been read; empty before.
std::string AddressOf(const DeviceReadings& readings)
{
    return IsZeroAddress(readings.info.address) ? std::string() : BdAddrToHex(readings.info.address);
}

}  // namespace

ApplyResult ApplySnapshot(CliContext& context, const std::string& port, const DeviceSettings& settings,
                          const std::string& operation, const ApplyProgress& progress, unsigned number)
{
    ApplyResult applied;
    applied.port = port;
    if (!LogWritable(context)) {
        // The run already failed; an adapter written now would have no record.
        applied.exitCode = kExitFailure;
        applied.result = "not started: the log file cannot be written";
        progress("failed", 100);
        return applied;
    }
    {
        DeviceSession session(context, SessionMode::kBatch);
        session.written = nlohmann::json::object();
        applied.exitCode = ApplySteps(context, session, port, settings, number, progress, applied.differences);
        applied.result = applied.exitCode == kExitOk ? std::string("applied and verified") : session.Failure();
        applied.address = AddressOf(session.readings);
        applied.model = session.readings.modelText;
        applied.answered = !session.readings.modelText.empty() ||
                           (applied.exitCode != kExitNoReply && applied.exitCode != kExitPortOpen);
        LogOperation(context, {port, &session.readings, operation, session.written, session.readBack,
                               ResultText(applied), applied.exitCode});
    }
    progress(applied.exitCode == kExitOk ? "done" : "failed", 100);
    return applied;
}

int OpenForSnapshot(CliContext& context, DeviceSession& session, const std::string& port, unsigned number,
                    DeviceSettings& settings)
{
    if (const int code = session.Connect(port))
        return code;
    if (const int code = session.FailWith(session.ReadIdentity(), "Failed to read the device."))
        return code;
    // Each adapter's own name once its address is known, before anything is written.
    return UseOwnName(context, session, number, settings);
}

ApplyResult NotStarted(CliContext& context, const std::string& port, const std::string& operation, unsigned number)
{
    ApplyResult skipped;
    skipped.port = port;
    skipped.exitCode = InterruptedExitCode(context.environment);
    skipped.result = kNotStartedResult;
    skipped.outcome = "not-started";
    skipped.attempts = 0;
    LogOperation(context, {port, nullptr, operation, nullptr, nullptr, skipped.result, skipped.exitCode});
    RecordResult(context, number, skipped);
    return skipped;
}

std::string ResultText(const ApplyResult& applied)
{
    std::string text = applied.result;
    for (size_t i = 0; i < applied.differences.size(); ++i)
        text += (i == 0 ? " (" : ", ") + applied.differences[i] + (i + 1 == applied.differences.size() ? ")" : "");
    return text;
}

int LoadSnapshot(CliContext& context, DeviceSettings& settings)
{
    nlohmann::json document;
    if (const CheckFailure failure = ReadJsonFile(context.values.file, document))
        return context.console.Fail(kExitBadArguments, *failure);
    if (const CheckFailure failure = SettingsFromJson(document, settings))
        return context.console.Fail(kExitBadArguments, context.values.file + ": " + *failure);
    return kExitOk;
}
