#include "cli/snapshot_verify.h"

#include "cli/device_output.h"
#include "cli/device_session.h"
#include "cli/operation_log.h"
#include "text/text_convert.h"

namespace {

// The value of one field of SettingsDifferences in settings.
nlohmann::json FieldValue(const DeviceSettings& settings, const std::string& key)
{
    if (key == "name")
        return settings.name;
    if (key == "advInterval")
        return settings.advInterval;
    if (key == "uart")
        return UartJson(settings.uart);
    // "slot N"
    const size_t slot = std::stoul(key.substr(key.find(' ') + 1));
    return SlotsJson(settings.slots)[slot - 1];
}

std::string ValueText(const nlohmann::json& value)
{
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

int CompareSteps(CliContext& context, DeviceSession& session, const std::string& port, DeviceSettings settings,
                 unsigned number, const ApplyProgress& progress, ApplyResult& compared)
{
    progress("connecting", 0);
    if (const int code = OpenForSnapshot(context, session, port, number, settings))
        return code;
    progress("reading", 30);
    if (const int code = session.FailWith(session.commands.ReadDevice(), "Failed to read the device."))
        return code;
    const DeviceSettings adapter = SettingsFromReadings(session.readings);
    session.readBack = SettingsJson(adapter);
    compared.settingDifferences = DetailedDifferences(settings, adapter);
    for (const nlohmann::json& difference : compared.settingDifferences) {
        compared.differences.push_back(difference["key"].get<std::string>() + " " + ValueText(difference["adapter"]) +
                                       " (file: " + ValueText(difference["file"]) + ")");
    }
    const bool verifying = context.values.snapshotMode == SnapshotMode::kVerify;
    if (compared.differences.empty()) {
        compared.result = compared.outcome = "matches";
        return kExitOk;
    }
    compared.outcome = verifying ? "differs" : "would-write";
    if (verifying)
        return session.Fail(kExitNotVerified, "differs");
    compared.result = "would write";
    return kExitOk;
}

}  // namespace

nlohmann::json DetailedDifferences(const DeviceSettings& file, const DeviceSettings& adapter)
{
    nlohmann::json differences = nlohmann::json::array();
    for (const std::string& key : SettingsDifferences(file, adapter))
        differences.push_back({{"key", key}, {"file", FieldValue(file, key)}, {"adapter", FieldValue(adapter, key)}});
    return differences;
}

ApplyResult CompareSnapshot(CliContext& context, const std::string& port, const DeviceSettings& settings,
                            const std::string& operation, const ApplyProgress& progress, unsigned number)
{
    ApplyResult compared;
    compared.port = port;
    {
        DeviceSession session(context, SessionMode::kBatch);
        compared.exitCode = CompareSteps(context, session, port, settings, number, progress, compared);
        if (compared.result.empty())
            compared.result = session.Failure();
        if (!IsZeroAddress(session.readings.info.address))
            compared.address = BdAddrToHex(session.readings.info.address);
        compared.model = session.readings.modelText;
        LogOperation(context, {port, &session.readings, operation, nullptr, session.readBack, ResultText(compared),
                               compared.exitCode});
    }
    progress(compared.exitCode == kExitOk ? "done" : "failed", 100);
    return compared;
}

CLI::App* AddSnapshotVerifyCommand(CLI::App& snapshot, CliContext& context,
                                   const std::function<int()>& runBatch)
{
    OptionValues& values = context.values;
    auto* verify = snapshot.add_subcommand(
        "verify", "Read each adapter and show every setting that differs from the snapshot; writes nothing. "
                  "Exit code 7 when an adapter differs");
    verify->add_option("FILE", values.file, "The snapshot file")->required();
    verify->add_option("--port", values.applyPorts, "An adapter's serial port; repeat for several");
    verify->add_flag("--all", values.allPorts, "Every listed port where a supported adapter answers");
    verify->add_option("--jobs", values.jobs, "How many adapters at once (default: all)");
    verify->callback([&context, runBatch] {
        context.values.snapshotMode = SnapshotMode::kVerify;
        context.exitCode = runBatch();
    });
    return verify;
}

void AddDryRunOption(CLI::App& apply, CliContext& context)
{
    apply.add_flag_callback(
        "--dry-run", [&context] { context.values.snapshotMode = SnapshotMode::kDryRun; },
        "Check the file and the ports, read each adapter and show the settings that would be written; "
        "writes nothing");
}
