// snapshot save FILE | snapshot apply FILE [--port P]... [--all] [--jobs N]:
// the settings of one adapter (name, interval, UART options, slots) as JSON,
// applied to several adapters at once, each verified by a full read, and a
// summary at the end.
#include <cstdio>
#include <fstream>

#include "cli/commands.h"
#include "cli/concurrent_jobs.h"
#include "cli/device_session.h"
#include "cli/device_text.h"
#include "cli/executor_share.h"
#include "cli/number_args.h"
#include "cli/operation_log.h"
#include "cli/port_identity.h"
#include "cli/port_list.h"
#include "cli/port_probe.h"
#include "cli/progress_board.h"
#include "cli/name_template.h"
#include "cli/results_file.h"
#include "cli/retry_policy.h"
#include "cli/run_stop.h"
#include "cli/snapshot_job.h"
#include "cli/snapshot_verify.h"
#include "cli/settings_json.h"
#include "cli/snapshot_apply.h"
#include "cli/utf8_path.h"

namespace {

int RunSave(CliContext& context)
{
    if (const int code = OpenOperationLog(context, context.values.file))
        return code;
    return WithDevice(context, "snapshot save", [&](DeviceSession& session) -> int {
        const CmdOutcome outcome = session.commands.ReadDevice();
        if (outcome != RESULT_OK)
            return session.FailWith(outcome, "Failed to read the device.");

        nlohmann::json document = SettingsJson(SettingsFromReadings(session.readings));
        session.readBack = document;
        document["model"] = EscapeDeviceText(session.readings.modelText);  // for the reader; apply ignores it
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
// listed port where a supported adapter answered the probe; the other listed
// ports go to skipped, each with its reason.
int BatchPorts(CliContext& context, const std::vector<std::string>& applyPorts, std::vector<std::string>& ports,
               std::vector<ProbeResult>& skipped)
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
            else
                skipped.push_back(probed);
        }
        if (context.interrupted.load())
            return context.console.Fail(InterruptedExitCode(context.environment),
                                        "Stopped while probing the ports: nothing was written.");
        return kExitOk;
    }
    if (ports.empty())
        return context.console.Fail(kExitBadArguments, "snapshot apply needs at least one --port, or --all.");
    return CheckDistinctPorts(context, ports);
}

// Every adapter at once (at most --jobs), each with its own engine and
// thread; the summary lists them in the order given.
int RunApply(CliContext& context, const std::vector<std::string>& applyPorts)
{
    DeviceSettings settings;
    if (const int code = LoadSnapshot(context, settings))
        return code;
    if (const int code = OpenOperationLog(context, context.values.file))
        return code;
    std::vector<std::string> ports;
    std::vector<ProbeResult> skipped;
    if (const int code = BatchPorts(context, applyPorts, ports, skipped))
        return code;
    if (const int code = CheckBenchOptions(context, static_cast<unsigned>(ports.size())))
        return code;

    const ProgressBoard::Style style = ProgressBoard::StyleFor(
        context.console.json, context.environment.liveOutput, context.environment.terminalRows, ports.size());
    ProgressBoard board(
        context.console.out, [&context](const std::string& line) { context.console.ErrLine(line); }, style, ports);
    std::vector<ApplyResult> applied(ports.size());
    {
        ExecutorShare share;
        RunConcurrently(ports.size(), context.values.jobs, [&](size_t index) {
            // After a stop the adapters in progress finish; no new one starts.
            if (context.interrupted.load()) {
                const SnapshotMode mode = context.values.snapshotMode;
                const char* operation = mode == SnapshotMode::kVerify   ? "snapshot verify"
                                        : mode == SnapshotMode::kDryRun ? "snapshot apply --dry-run"
                                                                        : "snapshot apply";
                applied[index] = NotStarted(context, ports[index], operation, static_cast<unsigned>(index + 1));
                board.Update(index, kNotStartedResult, 0);
                return;
            }
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
    size_t done = 0;
    size_t notStarted = 0;
    for (const ApplyResult& one : applied) {
        done += one.exitCode == kExitOk;
        notStarted += one.result == kNotStartedResult;
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
    nlohmann::json skippedList = nlohmann::json::array();
    for (const ProbeResult& probed : skipped) {
        skippedList.push_back({{"port", probed.port}, {"reason", probed.failure}, {"exitCode", probed.exitCode}});
        char line[512] = {};
        std::snprintf(line, sizeof line, "%-20s  skipped: %s\n", probed.port.c_str(), probed.failure.c_str());
        table += line;
    }
    const size_t lookedAt = applied.size() + skipped.size();
    // Verify and the dry run write nothing: an adapter done there is one read and compared.
    const char* doneWord = context.values.snapshotMode == SnapshotMode::kApply ? " applied, "
                           : context.values.snapshotMode == SnapshotMode::kVerify ? " matching, "
                                                                                  : " read, ";
    const size_t failed = applied.size() - done - notStarted;
    table += std::to_string(done) + doneWord + std::to_string(failed) + " failed, " +
             (notStarted != 0 ? std::to_string(notStarted) + " not started, " : std::string()) +
             std::to_string(skipped.size()) + " skipped, of " + std::to_string(lookedAt) + " port(s).\n";
    nlohmann::json summary = {{"file", context.values.file}, {"adapters", results}, {"applied", done},
                              {"failed", failed}, {"notStarted", notStarted}};
    if (context.values.allPorts)
        summary["skipped"] = skippedList;
    context.console.Report(summary, table);
    if (context.interrupted.load())
        context.console.Note("Stopped: the adapters in progress were finished; the rest were not started.");
    // With --json the document above holds the counts; a second one would
    // make the output unreadable.
    auto fail = [&context](int code, const std::string& message) {
        return context.console.json ? code : context.console.Fail(code, message);
    };
    if (firstFailure != kExitOk)
        return firstFailure;
    if (applied.empty())
        return fail(kExitNoReply, "No supported adapter answered on any serial port.");
    if (done < context.values.expected)
        return fail(kExitTooFew, "Only " + std::to_string(done) + " adapter(s) done; --expect " +
                                     std::to_string(context.values.expected) + " asked for more.");
    return kExitOk;
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
    apply->add_option("--expect", values.expected,
                      "How many adapters must be done (applied and verified); fewer ends with exit code 8")
        ->check(WholeNumberIn("The number of adapters expected", 0, kNoLimit));
    apply->add_option("--jobs", values.jobs, "How many adapters at once; 0 (the default) means all at once")
        ->check(WholeNumberIn("The number of adapters at once", 0, kNoLimit));
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
