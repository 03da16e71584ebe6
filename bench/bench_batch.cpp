// Batch figures of kx4xx, against simulated adapters in this process:
//   - snapshot apply to 16 and to 64 adapters at once, each against the same
//     apply to one (goal: at most 1.5 times as long);
//   - ports --probe over 16 ports of which 8 are silent, against the
//     identification's time limits for one silent port, two "AT\r" of
//     1200 ms each (goal: at most 1.2 times as long).
// Each figure is the median of a few runs. Exit status 1 when a goal is missed.
//   build/h-cli/bench/bench_batch [--runs N]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "protocol/at_commands.h"
#include "sim/sim_adapter.h"

namespace {

using kx4xx::sim::SimAdapter;

constexpr double kApplyGoalRatio = 1.5;
constexpr double kProbeGoalRatio = 1.2;
constexpr unsigned kBatchSize = 16;
constexpr unsigned kLargeBatchSize = 64;  // a full bench of hubs

const char kSnapshot[] = R"({"name": "Bench", "advInterval": 250,
    "uart": {"flowControl": 0, "parity": "N", "stopBits": 1},
    "slots": [{"address": "0A1B2C3D4E5F", "tag": "door"}, {"address": ""}, {"address": ""}, {"address": ""},
              {"address": ""}, {"address": ""}, {"address": ""}]})";

std::vector<std::unique_ptr<SimAdapter>> StartAdapters(unsigned count)
{
    std::vector<std::unique_ptr<SimAdapter>> sims;
    for (unsigned i = 0; i < count; ++i) {
        sims.push_back(std::make_unique<SimAdapter>());
        if (sims.back()->Start())
            throw std::runtime_error("simulated adapter did not start");
    }
    return sims;
}

// One kx4xx run; its wall time in milliseconds. Fails loudly on a wrong exit code.
double TimedRun(std::vector<std::string> args, int expectedCode)
{
    static const std::atomic<bool> kNever{false};
    args.insert(args.begin(), "kx4xx");
    std::ostringstream out, err;
    const auto start = std::chrono::steady_clock::now();
    const int code = RunCli(args, out, err, kNever);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (code != expectedCode)
        throw std::runtime_error("kx4xx exited with " + std::to_string(code) + ": " + out.str() + err.str());
    return took.count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::vector<std::string> ApplyArgs(const std::string& file, const std::vector<std::unique_ptr<SimAdapter>>& sims,
                                   size_t count)
{
    std::vector<std::string> args = {"snapshot", "apply", file};
    for (size_t i = 0; i < count; ++i) {
        args.push_back("--port");
        args.push_back(sims[i]->SlavePath());
    }
    return args;
}

bool Report(const char* what, double measuredMs, double baseMs, double goalRatio)
{
    const double ratio = measuredMs / baseMs;
    const bool met = ratio <= goalRatio;
    std::printf("%-44s %8.0f ms  base %6.0f ms  ratio %.2f  goal <= %.1f  %s\n", what, measuredMs, baseMs, ratio,
                goalRatio, met ? "met" : "MISSED");
    return met;
}

}  // namespace

int main(int argc, char** argv)
{
    unsigned runs = 3;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0)
        runs = static_cast<unsigned>(std::max(1, std::atoi(argv[2])));

    const std::string file = "/tmp/kx4xx-bench-batch.json";
    std::ofstream(file, std::ios::trunc) << kSnapshot;
    const auto sims = StartAdapters(kLargeBatchSize);

    std::vector<double> one, sixteen, sixtyFour, probe;
    for (unsigned run = 0; run < runs; ++run) {
        one.push_back(TimedRun(ApplyArgs(file, sims, 1), 0));
        sixteen.push_back(TimedRun(ApplyArgs(file, sims, kBatchSize), 0));
        sixtyFour.push_back(TimedRun(ApplyArgs(file, sims, kLargeBatchSize), 0));
    }

    for (unsigned i = 0; i < kBatchSize / 2; ++i)
        sims[i]->Control("fault silence on");
    std::vector<std::string> probeArgs = {"ports", "--probe"};
    for (unsigned i = 0; i < kBatchSize; ++i) {
        probeArgs.push_back("--port");
        probeArgs.push_back(sims[i]->SlavePath());
    }
    for (unsigned run = 0; run < runs; ++run)
        probe.push_back(TimedRun(probeArgs, 0));

    const double silentIdentificationMs = 2.0 * kTimeLimitMs;  // "AT\r" and its one retry
    std::printf("kx4xx batch figures, median of %u runs, %u simulated adapters\n", runs, kLargeBatchSize);
    bool met = Report("snapshot apply, 16 adapters vs 1", Median(sixteen), Median(one), kApplyGoalRatio);
    met = Report("snapshot apply, 64 adapters vs 1", Median(sixtyFour), Median(one), kApplyGoalRatio) && met;
    met = Report("ports --probe, 16 ports (8 silent) vs limits", Median(probe), silentIdentificationMs,
                 kProbeGoalRatio) && met;
    return met ? 0 : 1;
}
