#include "cli/snapshot_apply.h"

#include "cli/device_session.h"
#include "cli/messages.h"
#include "cli/name_template.h"
#include "cli/operation_log.h"
#include "text/text_convert.h"

namespace {

// The steps of one adapter, in order; the last one is the read back.
constexpr const char* kSteps[] = {"connecting", "device name", "advertising interval", "UART options", "slots",
                                  "reading back"};
constexpr unsigned kStepCount = sizeof kSteps / sizeof kSteps[0];

int ApplySteps(CliContext& context, DeviceSession& session, const std::string& port, DeviceSettings settings,
               unsigned number, const ApplyProgress& progress, std::vector<std::string>& differences)
{
    unsigned step = 0;
    auto next = [&] {
        progress(kSteps[step], step * 100 / kStepCount);
        ++step;
    };
    next();
    if (const int code = session.Connect(port))
        return code;
    if (const int code = session.FailWith(session.ReadIdentity(), "Failed to read the device."))
        return code;
    // Each adapter's own name once its address is known, before anything is written.
    if (const int code = UseOwnName(context, session, number, settings))
        return code;
    session.written = SettingsJson(settings);
    next();
    if (const int code = session.FailWith(session.commands.SetName(settings.name), msg::kNameSaveFailed))
        return code;
    next();
    if (const int code = session.FailWith(session.commands.SetAdvInterval(settings.advInterval),
                                          msg::kAdvIntervalSaveFailed))
        return code;
    next();
    if (const int code = session.FailWith(session.commands.SetUart(settings.uart), msg::kUartSaveFailed))
        return code;
    next();
    if (const int code = session.FailWith(session.commands.SaveSlots(settings.slots), msg::kSlotsSaveFailed))
        return code;
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
    {
        DeviceSession session(context, SessionMode::kBatch);
        session.written = SettingsJson(settings);
        applied.exitCode = ApplySteps(context, session, port, settings, number, progress, applied.differences);
        applied.result = applied.exitCode == kExitOk ? std::string("applied and verified") : session.Failure();
        applied.address = AddressOf(session.readings);
        applied.model = session.readings.modelText;
        LogOperation(context, {port, &session.readings, operation, session.written, session.readBack,
                               ResultText(applied), applied.exitCode});
    }
    progress(applied.exitCode == kExitOk ? "done" : "failed", 100);
    return applied;
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
        return context.console.Fail(kExitBadArguments, *failure);
    return kExitOk;
}
