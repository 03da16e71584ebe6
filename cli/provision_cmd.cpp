// provision FILE --watch: a provisioning station. The port list is read once
// a period (a second); every adapter that appears gets the snapshot applied
// on a thread of its own and one line with its address and result. An
// adapter unplugged mid-way ends in a failure line like any other; the next
// one plugged into the same port is provisioned anew. Ctrl+C stops the
// watch; adapters in progress are finished first, so none is left half
// written without a report.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "cli/commands.h"
#include "cli/executor_share.h"
#include "cli/failure_text.h"
#include "cli/operation_log.h"
#include "cli/port_identity.h"
#include "cli/port_list.h"
#include "cli/port_probe.h"
#include "cli/snapshot_apply.h"
#include "cli/name_template.h"
#include "cli/results_file.h"
#include "cli/retry_policy.h"
#include "cli/snapshot_job.h"

namespace {

// One port of the station and the adapter job on it.
struct Station {
    std::thread job;
    std::atomic<bool> finished{false};
    bool unpluggedSince = false;  // watch thread only: the port vanished after the job started
};

// What the adapter jobs report, for the final line and the exit code.
class Tally {
public:
    explicit Tally(Console& theConsole) : console(theConsole) {}

    void Add(const ApplyResult& applied)
    {
        const std::string result = ResultText(applied);
        const std::string address = applied.address.empty() ? std::string("-") : applied.address;
        std::lock_guard<std::mutex> guard(lock);
        if (applied.exitCode == kExitOk) {
            ++provisioned;
        } else {
            ++failed;
            if (firstFailure == kExitOk)
                firstFailure = applied.exitCode;
        }
        if (console.json) {
            console.out << nlohmann::json{{"port", applied.port}, {"address", applied.address},
                                          {"applied", applied.exitCode == kExitOk}, {"exitCode", applied.exitCode},
                                          {"result", result}}
                               .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                        << '\n';
        } else {
            char line[768] = {};
            std::snprintf(line, sizeof line, "%-20s  %-12s  %s\n", applied.port.c_str(), address.c_str(),
                          result.c_str());
            console.out << line;
        }
        console.out.flush();
    }

    // A line of the watch itself, never inside an adapter's line.
    void Note(const std::string& text)
    {
        std::lock_guard<std::mutex> guard(lock);
        console.Note(text);
    }

    int Finish()
    {
        std::lock_guard<std::mutex> guard(lock);
        console.Note(std::to_string(provisioned) + " adapter(s) provisioned, " + std::to_string(failed) + " failed.");
        return firstFailure;
    }

private:
    Console& console;
    std::mutex lock;
    unsigned provisioned = 0;      // guarded by lock
    unsigned failed = 0;           // guarded by lock
    int firstFailure = kExitOk;    // guarded by lock
};

std::vector<std::string> PresentPorts(const CliContext& context)
{
    if (context.ports.empty())
        return ListedPorts(context);
    std::vector<std::string> present;
    for (const std::string& port : context.ports) {
        if (PortExists(port))
            present.push_back(port);
    }
    return present;
}

// How often the port list is read: a person plugs adapters in by hand.
constexpr auto kWatchPeriod = std::chrono::seconds(1);

// Sleeps one watch period, waking early for Ctrl+C.
void SleepPeriod(const CliContext& context)
{
    constexpr auto kSlice = std::chrono::milliseconds(50);
    const auto until = std::chrono::steady_clock::now() + kWatchPeriod;
    while (!context.interrupted.load() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kSlice, until - std::chrono::steady_clock::now()));
}

int RunWatch(CliContext& context)
{
    DeviceSettings settings;
    if (const int code = LoadSnapshot(context, settings))
        return code;
    if (const int code = CheckDistinctPorts(context, context.ports))
        return code;
    if (const int code = OpenOperationLog(context, context.values.file))
        return code;
    if (const int code = CheckBenchOptions(context, kWatchHighestNumber))
        return code;
    unsigned plugged = 0;  // watch thread only: the running number of the last adapter plugged in

    Tally tally(context.console);
    std::map<std::string, std::unique_ptr<Station>> stations;
    context.console.Note("Watching for adapters (Ctrl+C stops)...");
    {
        ExecutorShare share;
        while (!context.interrupted.load()) {
            const std::vector<std::string> present = PresentPorts(context);
            for (auto& [port, station] : stations) {
                if (std::find(present.begin(), present.end(), port) == present.end())
                    station->unpluggedSince = true;
            }
            for (const std::string& port : present) {
                std::unique_ptr<Station>& station = stations[port];
                if (station) {
                    // Still the adapter already handled, or its job still runs.
                    if (!station->unpluggedSince || !station->finished.load())
                        continue;
                    station->job.join();
                }
                station = std::make_unique<Station>();
                Station* running = station.get();
                const unsigned number = ++plugged;
                running->job = std::thread([&context, &settings, &tally, port, running, number] {
                    // The station goes on when one adapter's job fails.
                    ApplyResult applied;
                    try {
                        applied = RunSnapshotJob(context, port, settings, "provision",
                                                 [](const std::string&, unsigned) {}, number);
                    } catch (...) {
                        applied.port = port;
                        applied.exitCode = kExitFailure;
                        applied.result = CaughtFailureText();
                    }
                    // Watching every listed port, the machine's own ports
                    // where nothing answers are no adapters.
                    if (applied.answered || !context.ports.empty())
                        tally.Add(applied);
                    running->finished = true;
                });
            }
            SleepPeriod(context);
        }
        tally.Note("Stopping: finishing the adapters in progress...");
        for (auto& entry : stations) {
            if (entry.second->job.joinable())
                entry.second->job.join();
        }
    }
    return tally.Finish();
}

}  // namespace

void AddProvisionCommand(CLI::App& app, CliContext& context)
{
    auto* provision = app.add_subcommand("provision", "Apply a snapshot to every adapter plugged in, until Ctrl+C");
    provision->add_option("FILE", context.values.file, "The snapshot file")->required();
    provision->add_flag("--watch", context.values.watch,
                        "Wait for adapters on the listed ports (or the --port ports), once a second; "
                        "without --port, ports where nothing answers are left out")
        ->required();
    provision->callback([&context] {
        context.interruptEndsNormally = true;
        context.exitCode = RunWatch(context);
    });
    AddResultsOption(*provision, context);
    AddRetryOption(*provision, context);
    AddNameTemplateOption(*provision, context);
}
