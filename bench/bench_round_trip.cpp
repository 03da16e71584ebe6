// One request/reply round trip ("AT\r" to "+OK\r") through the engine, the
// serial port and a pseudo-terminal to the simulated adapter, and the reply
// parser's throughput. Counters put the median exchange beside the time the
// same 7 bytes take on a 115200-baud line and the goal of at most 2 ms more.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "protocol/reply_framing.h"
#include "protocol/zantor_kx4xx_comm.h"
#include "sim/sim_adapter.h"

namespace {

constexpr double kLineBitsPerByte = 10.0;  // start bit, 8 data bits, stop bit
constexpr double kBaud = 115200.0;
constexpr double kGoalAboveLineMs = 2.0;  // scheduling and the pseudo-terminal, at most

void RoundTrip(benchmark::State& state)
{
    kx4xx::sim::SimAdapter sim;
    if (sim.Start())
        throw std::runtime_error("simulated adapter did not start");
    ZantorKX4xxComm engine;
    if (engine.Open(sim.SlavePath(), 115200, 0, 0))
        throw std::runtime_error("port did not open");

    const std::string probe = "AT\r";
    std::vector<double> exchangesMs;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        ReplyResult reply = engine.SendAndWait(probe.data(), probe.size(), ATCMD_PROBE, 1200);
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        exchangesMs.push_back(took.count());
        if (ResultKind(reply) != REPLY_OK) {
            state.SkipWithError("probe not answered");
            break;
        }
    }
    engine.Close();

    const double lineMs = (probe.size() + 4) * kLineBitsPerByte / kBaud * 1000.0;
    std::nth_element(exchangesMs.begin(), exchangesMs.begin() + exchangesMs.size() / 2, exchangesMs.end());
    state.counters["median_exchange_ms"] = exchangesMs.empty() ? 0.0 : exchangesMs[exchangesMs.size() / 2];
    state.counters["line_ms"] = lineMs;
    state.counters["goal_ms"] = lineMs + kGoalAboveLineMs;
}
BENCHMARK(RoundTrip)->Unit(benchmark::kMillisecond)->Iterations(200)->Repetitions(5)->ReportAggregatesOnly(true);

// Replies of every common form, cut and parsed one at a time as the engine does.
void ParseReplies(benchmark::State& state)
{
    const ParserTable table = BuildParserTable();
    const struct {
        const char* bytes;
        kx4xx_atcmd command;
    } forms[] = {
        {"+OK\r", ATCMD_PROBE},
        {"ZANTOR-KX400\r", ATCMD_GET_MODEL},
        {"v1.2.3\r", ATCMD_GET_VERSION},
        {"D4:36:39:A1:B2:C3,KX400,MASTER,READY\r", ATCMD_GET_INFO},
        {"+0A1B2C3D4E5F,-60,Sensor\r", ATCMD_SCAN_REPORT},
        {"+SLOT,3,0A1B2C3D4E5F,Tag\r", ATCMD_GET_SLOT},
        {"+UARTOPT,1,E,2\r", ATCMD_GET_UART_OPTIONS},
        {"\r\nOK\r\n", ATCMD_PROBE},
    };
    std::vector<char> pending;
    int64_t replies = 0;
    for (auto _ : state) {
        for (const auto& form : forms) {
            pending.insert(pending.end(), form.bytes, form.bytes + std::char_traits<char>::length(form.bytes));
            ReplyResult result = ExtractReply(table, pending, form.command);
            benchmark::DoNotOptimize(result.get());
            ++replies;
        }
    }
    state.SetItemsProcessed(replies);
}
BENCHMARK(ParseReplies);

}  // namespace

BENCHMARK_MAIN();
