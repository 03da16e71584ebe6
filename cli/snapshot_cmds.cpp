// snapshot save FILE | snapshot apply FILE [--port P]...: the settings of one
// adapter (name, interval, UART options, slots) as JSON, applied to several
// adapters in turn, each verified by a full read, and a summary at the end.
#include <fstream>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/messages.h"
#include "cli/settings_json.h"

namespace {

int RunSave(CliContext& context)
{
    std::string port;
    if (const int code = RequireOnePort(context, port))
        return code;
    DeviceSession session(context);
    if (const int code = session.Connect(port))
        return code;
    const CmdOutcome outcome = session.commands.ReadDevice();
    if (outcome != RESULT_OK)
        return session.FailWith(outcome, "Failed to read the device.");

    nlohmann::json document = SettingsJson(SettingsFromReadings(session.readings));
    document["model"] = session.readings.modelText;  // for the reader; apply ignores it
    std::ofstream file(context.values.file, std::ios::binary | std::ios::trunc);
    file << DumpJson(document) << '\n';
    if (!file.flush())
        return context.console.Fail(kExitBadArguments, "Cannot write " + context.values.file + ".");
    context.console.Report({{"port", port}, {"file", context.values.file}, {"settings", document}},
                           "Settings of " + port + " saved to " + context.values.file + ".\n");
    return kExitOk;
}

// One adapter: every setting written with the window's command sequences,
// then read back. Failures are recorded by the console for the summary.
int ApplyTo(CliContext& context, const std::string& port, const DeviceSettings& settings,
            std::vector<std::string>& differences)
{
    DeviceSession session(context);
    if (const int code = session.Connect(port))
        return code;
    if (const int code = session.FailWith(session.commands.SetName(settings.name), msg::kNameSaveFailed))
        return code;
    if (const int code = session.FailWith(session.commands.SetAdvInterval(settings.advInterval),
                                          msg::kAdvIntervalSaveFailed))
        return code;
    if (const int code = session.FailWith(session.commands.SetUart(settings.uart), msg::kUartSaveFailed))
        return code;
    if (const int code = session.FailWith(session.commands.SaveSlots(settings.slots), msg::kSlotsSaveFailed))
        return code;
    if (const int code = session.FailWith(session.commands.ReadDevice(), "Failed to read the device back."))
        return code;
    differences = SettingsDifferences(settings, SettingsFromReadings(session.readings));
    if (!differences.empty())
        return context.console.Fail(kExitNotVerified, "Read back with other settings.");
    return kExitOk;
}

int RunApply(CliContext& context, const std::vector<std::string>& applyPorts)
{
    nlohmann::json document;
    if (const CheckFailure failure = ReadJsonFile(context.values.file, document))
        return context.console.Fail(kExitBadArguments, *failure);
    DeviceSettings settings;
    if (const CheckFailure failure = SettingsFromJson(document, settings))
        return context.console.Fail(kExitBadArguments, *failure);
    std::vector<std::string> ports = context.ports;
    ports.insert(ports.end(), applyPorts.begin(), applyPorts.end());
    if (ports.empty())
        return context.console.Fail(kExitBadArguments, "snapshot apply needs at least one --port.");

    nlohmann::json results = nlohmann::json::array();
    std::string table = "PORT                  RESULT\n";
    int firstFailure = kExitOk;
    for (const std::string& port : ports) {
        context.console.Note("Applying to " + port + "...");
        std::vector<std::string> differences;
        context.console.holdFailures = true;
        const int code = ApplyTo(context, port, settings, differences);
        context.console.holdFailures = false;
        std::string result = code == kExitOk ? std::string("applied and verified") : context.console.lastFailure;
        for (size_t i = 0; i < differences.size(); ++i)
            result += (i == 0 ? " (" : ", ") + differences[i] + (i + 1 == differences.size() ? ")" : "");
        if (code != kExitOk && firstFailure == kExitOk)
            firstFailure = code;
        nlohmann::json entry = {{"port", port}, {"applied", code == kExitOk}, {"exitCode", code}, {"result", result}};
        if (!differences.empty())
            entry["differences"] = differences;
        results.push_back(entry);
        char line[512] = {};
        std::snprintf(line, sizeof line, "%-20s  %s\n", port.c_str(), result.c_str());
        table += line;
    }
    context.console.Report({{"file", context.values.file}, {"adapters", results}}, table);
    return firstFailure;
}

}  // namespace

void AddSnapshotCommands(CLI::App& app, CliContext& context)
{
    OptionValues& values = context.values;
    auto* snapshot = app.add_subcommand("snapshot", "Settings snapshots: name, interval, UART options, slots");
    snapshot->require_subcommand(1);

    auto* save = snapshot->add_subcommand("save", "Read the adapter's settings into a JSON file");
    save->add_option("FILE", values.file, "The snapshot file to write")->required();
    save->callback([&context] { context.exitCode = RunSave(context); });

    auto* apply = snapshot->add_subcommand("apply", "Apply a snapshot to one or several adapters, each read back");
    apply->add_option("FILE", values.file, "The snapshot file")->required();
    apply->add_option("--port", values.applyPorts, "An adapter's serial port; repeat for several");
    apply->callback([&context] { context.exitCode = RunApply(context, context.values.applyPorts); });
}
