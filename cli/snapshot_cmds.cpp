// snapshot save FILE | snapshot apply FILE [--port P]... [--all] [--jobs N]:
// the settings of one adapter (name, interval, UART options, slots) as JSON,
// applied to several adapters at once, each verified by a full read, and a
// summary at the end.
#include <cstdio>
#include <fstream>

#include "cli/commands.h"
#include "cli/concurrent_jobs.h"
#include "cli/device_session.h"
#include "cli/executor_share.h"
#include "cli/operation_log.h"
#include "cli/port_list.h"
#include "cli/port_probe.h"
#include "cli/progress_board.h"
#include "cli/name_template.h"
#include "cli/results_file.h"
#include "cli/retry_policy.h"
#include "cli/snapshot_job.h"
#include "cli/snapshot_verify.h"
#include "cli/settings_json.h"
#include "cli/snapshot_apply.h"
#include "cli/utf8_path.h"

namespace {

int RunSave(CliContext& context)
{
    return WithDevice(context, "snapshot save", [&](DeviceSession& session) -> int {
        const CmdOutcome outcome = session.commands.ReadDevice();
        if (outcome != RESULT_OK)
            return session.FailWith(outcome, "Failed to read the device.");

        nlohmann::json document = SettingsJson(SettingsFromReadings(session.readings));
        session.readBack = document;
        document["model"] = session.readings.modelText;  // for the reader; apply ignores it
        std::ofstream file(Utf8Path(context.values.file), std::ios::binary | std::ios::trunc);
        file << DumpJson(document) << '\n';
        if (!file.flush())
            return context.console.Fail(kExitBadArguments, "Cannot write " + context.values.file + ".");
        context.console.Report({{"port", session.PortName()}, {"file", context.values.file}, {"settings", document}},
                               "Settings of " + session.PortName() + " saved to " + context.values.file + ".\n");
        return kExitOk;
    });
}

// The adapters a batch works on: the --port options, or with --all every
// listed port where a supported adapter answered the probe.
int BatchPorts(CliContext& context, const std::vector<std::string>& applyPorts, std::vector<std::string>& ports)
{
    ports = context.ports;
    ports.insert(ports.end(), applyPorts.begin(), applyPorts.end());
    if (context.values.allPorts) {
        if (!ports.empty())
            return context.console.Fail(kExitBadArguments, "Give either --all or --port, not both.");
        context.console.Note("Probing the serial ports...");
        for (const ProbeResult& probed : ProbePorts(context, ListedPorts(context))) {
            if (probed.failure.empty())
                ports.push_back(probed.port);
        }
        if (ports.empty())
            return context.console.Fail(kExitNoReply, "No supported adapter answered on any serial port.");
        return kExitOk;
    }
    if (ports.empty())
        return context.console.Fail(kExitBadArguments, "snapshot apply needs at least one --port, or --all.");
    return kExitOk;
}

// Every adapter at once (at most --jobs), each with its own engine and
// thread; the summary lists them in the order given.
int RunApply(CliContext& context, const std::vector<std::string>& applyPorts)
{
    DeviceSettings settings;
    if (const int code = LoadSnapshot(context, settings))
        return code;
    if (const int code = OpenOperationLog(context))
        return code;
    std::vector<std::string> ports;
    if (const int code = BatchPorts(context, applyPorts, ports))
        return code;
    if (const int code = CheckBenchOptions(context, static_cast<unsigned>(ports.size())))
        return code;

    const ProgressBoard::Style style = context.console.json        ? ProgressBoard::Style::kNone
                                       : context.environment.liveOutput ? ProgressBoard::Style::kLive
                                                                        : ProgressBoard::Style::kPlain;
    ProgressBoard board(context.console.out, style, ports);
    std::vector<ApplyResult> applied(ports.size());
    {
        ExecutorShare share;
        RunConcurrently(ports.size(), context.values.jobs, [&](size_t index) {
            applied[index] = RunSnapshotJob(context, ports[index], settings, "snapshot apply",
                                            [&](const std::string& step, unsigned percent) {
                                                board.Update(index, step, percent);
                                            },
                                            static_cast<unsigned>(index + 1));
        });
    }

    nlohmann::json results = nlohmann::json::array();
    std::string table = "PORT                  RESULT\n";
    int firstFailure = kExitOk;
    for (const ApplyResult& one : applied) {
        if (one.exitCode != kExitOk && firstFailure == kExitOk)
            firstFailure = one.exitCode;
        const std::string result = ResultText(one);
        nlohmann::json entry = {
            {"port", one.port}, {"applied", one.exitCode == kExitOk}, {"exitCode", one.exitCode}, {"result", result}};
        if (!one.differences.empty())
            entry["differences"] = one.differences;
        if (!one.address.empty())
            entry["address"] = one.address;
        // Verify and the dry run: the outcome word and each differing setting with both values.
        entry["outcome"] = one.outcome;
        if (context.values.snapshotMode != SnapshotMode::kApply) {
            entry.erase("applied");
            entry["differences"] = one.settingDifferences.is_null() ? nlohmann::json::array() : one.settingDifferences;
        }
        results.push_back(entry);
        char line[512] = {};
        std::snprintf(line, sizeof line, "%-20s  %s\n", one.port.c_str(), result.c_str());
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
    apply->add_flag("--all", values.allPorts, "Every listed port where a supported adapter answers");
    apply->add_option("--jobs", values.jobs, "How many adapters at once (default: all)");
    apply->callback([&context] { context.exitCode = RunApply(context, context.values.applyPorts); });
    // The bench options; verify runs the same batch, reading only.
    AddDryRunOption(*apply, context);
    for (CLI::App* batch : {apply, AddSnapshotVerifyCommand(*snapshot, context, [&context] {
                                return RunApply(context, context.values.applyPorts);
                            })}) {
        AddResultsOption(*batch, context);
        AddRetryOption(*batch, context);
        AddNameTemplateOption(*batch, context);
    }
}
