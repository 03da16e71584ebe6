// The rate at which the window's scan keeps up: an adapter reporting
// distinct peers as fast as a 115200-baud line carries them (one line of
// about 23 bytes every 2 ms) to a worker whose window now and then takes
// 150 ms to list a batch (a repaint under load). During each such pause 75
// reports arrive, more than the engine keeps uncollected; the worker's
// collection must take them. Prints the reports handed over, those lost or
// out of order, the batches, and the reports per second. By hand:
//   build/native/bench/bench_scan_reports [--peers N] [--period-ms MS] [--pause-ms MS]
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/command_worker.h"
#include "sim/sim_adapter.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Settings {
    unsigned peers = 400;
    unsigned periodMs = 2;
    unsigned pauseMs = 150;  // every third batch
};

std::string PeerName(unsigned n)
{
    char name[16];
    std::snprintf(name, sizeof name, "P%04u", n);
    return name;
}

bool ParseArguments(int argc, char** argv, Settings& settings)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const unsigned value = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        if (std::strcmp(argv[i], "--peers") == 0)
            settings.peers = value;
        else if (std::strcmp(argv[i], "--period-ms") == 0)
            settings.periodMs = value;
        else if (std::strcmp(argv[i], "--pause-ms") == 0)
            settings.pauseMs = value;
        else
            return false;
    }
    return argc % 2 == 1 && settings.peers > 0 && settings.periodMs > 0;
}

// Peer n is named PeerName(n), so that a report lost or out of order shows.
void ReportNumberedPeers(kx4xx::sim::SimAdapter& sim, const Settings& settings)
{
    sim.Control("jitter 0");
    sim.Control("peers clear");
    for (unsigned n = 0; n < settings.peers; ++n) {
        char line[64];
        std::snprintf(line, sizeof line, "peers add 0000000%05X -50 %s", n, PeerName(n).c_str());
        sim.Control(line);
    }
    sim.Control("scan-period " + std::to_string(settings.periodMs));
}

// The outcomes the worker reports, awaited by the window's part.
class Outcomes {
public:
    void Add(CmdOutcome outcome)
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            outcomes.push_back(outcome);
        }
        changed.notify_all();
    }
    // The outcome numbered `index` (0 first), or RESULT_FAILED after 10 s.
    CmdOutcome Await(size_t index)
    {
        std::unique_lock<std::mutex> guard(lock);
        if (!changed.wait_for(guard, std::chrono::seconds(10), [&] { return outcomes.size() > index; }))
            return RESULT_FAILED;
        return outcomes[index];
    }

private:
    std::mutex lock;
    std::condition_variable changed;  // with lock
    std::vector<CmdOutcome> outcomes;  // guarded by lock
};

}  // namespace

int main(int argc, char** argv)
{
    Settings settings;
    if (!ParseArguments(argc, argv, settings)) {
        std::fprintf(stderr, "usage: bench_scan_reports [--peers N] [--period-ms MS] [--pause-ms MS]\n");
        return 2;
    }
    kx4xx::sim::SimAdapter sim;
    ZantorKX4xxComm engine;
    const char* step = "simulated adapter";
    std::error_code error = sim.Start();
    if (!error) {
        ReportNumberedPeers(sim, settings);
        step = "open";
        error = engine.Open(sim.SlavePath(), 115200, 0, 0);
    }
    if (error) {
        std::fprintf(stderr, "%s: %s\n", step, error.message().c_str());
        return 1;
    }
    DeviceReadings readings;
    CommandWorker worker(engine, readings);
    Outcomes outcomes;
    worker.onOutcome = [&outcomes](int32_t, CmdOutcome outcome) { outcomes.Add(outcome); };
    worker.Start();
    worker.EnqueueCommand(CMD_START_SCAN);
    int code = 0;
    if (outcomes.Await(0) != RESULT_OK) {
        std::fprintf(stderr, "the scan did not start\n");
        code = 1;
    }

    // The window's part: list each batch, then ask for the next.
    std::vector<std::string> names;
    size_t batches = 0;
    const Clock::time_point start = Clock::now();
    while (code == 0 && names.size() < settings.peers) {
        worker.EnqueueCommand(CMD_WAIT_REPORT);
        if (outcomes.Await(++batches) != RESULT_OK) {
            std::fprintf(stderr, "report wait %zu failed\n", batches);
            code = 1;
            break;
        }
        for (size_t r = 0; r < readings.scanReportCount; ++r) names.emplace_back(readings.scanReports[r].name);
        if (batches % 3 == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(settings.pauseMs));
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    engine.Close();
    worker.Stop();
    sim.Stop();

    size_t wrong = 0;
    for (size_t n = 0; n < names.size(); ++n) {
        if (names[n] != PeerName(static_cast<unsigned>(n % settings.peers)))
            ++wrong;
    }
    std::printf("reports handed over  %zu of %u\n", names.size(), settings.peers);
    std::printf("lost or out of order %zu\n", wrong);
    std::printf("report waits         %zu (a pause of %u ms after every third)\n", batches, settings.pauseMs);
    std::printf("reports per second   %.0f (the adapter sends %.0f)\n", names.size() / seconds,
                1000.0 / settings.periodMs);
    return code != 0 || wrong != 0 ? 1 : 0;
}
