// Soak of the engine against the in-process simulated adapter: many
// request/reply exchanges, then a long scan of many distinct peers at a high
// report rate. Resident memory, open descriptors and threads are sampled at
// the start and the end of each phase; they must stay flat. Run by hand
// (Linux only; it reads /proc/self):
//   build/native/bench/soak_engine [--exchanges N] [--scan-seconds S] [--period-ms MS] [--quick]
#include <dirent.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "protocol/zantor_kx4xx_comm.h"
#include "serial/io_service_exec.h"
#include "sim/sim_adapter.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Settings {
    unsigned exchanges = 10000;
    unsigned scanSeconds = 600;
    // One report every so many milliseconds: a steady scan rate, well within
    // what the engine takes now that it sees each report when it arrives.
    unsigned periodMs = 12;
    unsigned peers = 200;
};

// Growth allowed between the start and the end of a phase before it counts
// as a leak: allocator noise, not a per-exchange cost.
constexpr long kRssNoiseKb = 2048;

struct Usage {
    long rssKb = 0;
    long threads = 0;
    long descriptors = 0;
};

long StatusField(const char* name)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(name);
    while (std::getline(status, line)) {
        if (line.compare(0, length, name) == 0 && line.size() > length && line[length] == ':') {
            return std::strtol(line.c_str() + length + 1, nullptr, 10);
        }
    }
    return -1;
}

long OpenDescriptors()
{
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) {
        return -1;
    }
    long count = 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.') {
            ++count;
        }
    }
    closedir(dir);
    return count - 1;  // the directory's own descriptor
}

Usage Sample()
{
    return {StatusField("VmRSS"), StatusField("Threads"), OpenDescriptors()};
}

void Print(const char* when, const Usage& usage)
{
    std::printf("  %-22s rss %7ld kB  threads %3ld  fds %3ld\n", when, usage.rssKb, usage.threads, usage.descriptors);
}

// True when nothing grew beyond noise between the two samples.
bool Flat(const char* phase, const Usage& start, const Usage& end)
{
    const bool flat = end.rssKb - start.rssKb <= kRssNoiseKb && end.threads <= start.threads &&
                      end.descriptors <= start.descriptors;
    std::printf("  %s: rss %+ld kB, threads %+ld, fds %+ld: %s\n", phase, end.rssKb - start.rssKb,
                end.threads - start.threads, end.descriptors - start.descriptors, flat ? "flat" : "GROWN");
    return flat;
}

ReplyKind Exchange(ZantorKX4xxComm& engine, const std::string& text, kx4xx_atcmd command, unsigned limitMs = 1200)
{
    const ReplyResult result = engine.SendAndWait(text.data(), text.size(), command, limitMs);
    return ResultKind(result);
}

struct Request {
    std::string text;
    kx4xx_atcmd command;
    ReplyKind expected;
};

// The device reads of the main window, round and round.
const std::vector<Request>& Exchanges()
{
    static const std::vector<Request> exchanges = {
        {"AT\r", ATCMD_PROBE, REPLY_OK},
        {"AT+MODEL?\r", ATCMD_GET_MODEL, REPLY_MODEL},
        {"AT+VER?\r", ATCMD_GET_VERSION, REPLY_VERSION},
        {"AT+INFO?\r", ATCMD_GET_INFO, REPLY_INFO},
        {"AT+ADVINTERVAL?\r", ATCMD_GET_ADV_INTERVAL, REPLY_ADV_INTERVAL},
        {"AT+UARTOPT?\r", ATCMD_GET_UART_OPTIONS, REPLY_UART_OPTIONS},
        {"AT+GETSLOT=3\r", ATCMD_GET_SLOT, REPLY_SLOT},
        {"AT+SETSLOT=3,0A1B2C3D4E5F,Tag\r", ATCMD_SET_SLOT, REPLY_OK},
    };
    return exchanges;
}

bool RunExchanges(ZantorKX4xxComm& engine, kx4xx::sim::SimAdapter& sim, unsigned count)
{
    // The adapter keeps the latest 10 000 commands it received; emptied now
    // and then, that record does not count as the engine's growth.
    constexpr unsigned kRecordClearInterval = 100;
    std::printf("exchanges: %u\n", count);
    unsigned failed = 0;
    const Clock::time_point start = Clock::now();
    const Usage before = Sample();
    Print("start", before);
    for (unsigned i = 0; i < count; ++i) {
        if (i % kRecordClearInterval == 0) {
            sim.ClearRecord();
        }
        const auto& exchange = Exchanges()[i % Exchanges().size()];
        const ReplyKind kind = Exchange(engine, exchange.text, exchange.command);
        if (kind != exchange.expected) {
            ++failed;
            std::printf("  exchange %u %s: kind %u\n", i, exchange.text.c_str(), static_cast<unsigned>(kind));
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const Usage after = Sample();
    Print("end", after);
    std::printf("  %u exchanges in %.1f s (%.0f/s), %u failed\n", count, seconds, count / seconds, failed);
    return Flat("exchanges", before, after) && failed == 0;
}

std::vector<kx4xx::sim::SimPeer> DistinctPeers(unsigned count)
{
    std::vector<kx4xx::sim::SimPeer> peers;
    for (unsigned i = 0; i < count; ++i) {
        kx4xx::sim::SimPeer peer;
        peer.address = {0xC0, 0xFF, 0xEE, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i), 0x01};
        peer.rssi = -40 - static_cast<int>(i % 50);
        peer.name = "Peer" + std::to_string(i);
        peers.push_back(peer);
    }
    return peers;
}

bool RunScan(ZantorKX4xxComm& engine, kx4xx::sim::SimAdapter& sim, const Settings& settings)
{
    std::printf("scan: %u s, %u peers, a report every %u ms\n", settings.scanSeconds, settings.peers,
                settings.periodMs);
    sim.SetPeers(DistinctPeers(settings.peers));
    sim.SetScanPeriodMs(settings.periodMs);
    sim.SetRssiJitter(5);
    if (Exchange(engine, "AT+STARTSCAN\r", ATCMD_START_SCAN) != REPLY_SCANNING) {
        std::printf("  the scan did not start\n");
        return false;
    }
    const Usage before = Sample();
    Print("start", before);
    std::set<std::string> seen;
    unsigned long long reports = 0;
    unsigned long long otherKinds = 0;
    const Clock::time_point start = Clock::now();
    const auto duration = std::chrono::seconds(settings.scanSeconds);
    auto nextPrint = start + std::chrono::seconds(60);
    ScanReport report{};
    while (Clock::now() - start < duration) {
        const int kind = engine.WaitScanReport(report);
        if (kind == REPLY_SCAN_REPORT) {
            ++reports;
            if (seen.size() < settings.peers) {
                seen.insert(std::string(reinterpret_cast<const char*>(report.address.bytes), sizeof report.address));
            }
        } else {
            ++otherKinds;
        }
        if (Clock::now() >= nextPrint) {
            nextPrint += std::chrono::seconds(60);
            const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count();
            Print(("after " + std::to_string(elapsed) + " s").c_str(), Sample());
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const Usage after = Sample();
    Print("end", after);
    const ReplyKind stop = Exchange(engine, "AT+STOPSCAN\r", ATCMD_STOP_SCAN, 2000);
    std::printf("  %llu reports in %.1f s (%.0f/s), %zu distinct peers, %llu other results, stop: kind %u\n",
                reports, seconds, reports / seconds, seen.size(), otherKinds, static_cast<unsigned>(stop));
    return Flat("scan", before, after) && seen.size() == settings.peers && stop == REPLY_STOPPED;
}

bool ParseArguments(int argc, char** argv, Settings& settings)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--quick") {
            settings.exchanges = 1000;
            settings.scanSeconds = 20;
        } else if (argument == "--exchanges" && hasValue) {
            settings.exchanges = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (argument == "--scan-seconds" && hasValue) {
            settings.scanSeconds = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (argument == "--period-ms" && hasValue) {
            settings.periodMs = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            std::fprintf(stderr,
                         "usage: soak_engine [--exchanges N] [--scan-seconds S] [--period-ms MS] [--quick]\n");
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // progress lines show at once when sent to a file
    Settings settings;
    if (!ParseArguments(argc, argv, settings)) {
        return 2;
    }
    kx4xx::sim::SimAdapter sim;
    if (const std::error_code error = sim.Start()) {
        std::fprintf(stderr, "simulated adapter: %s\n", error.message().c_str());
        return 1;
    }
    sim.Control("slot 3 0A1B2C3D4E5F Tag");
    ZantorKX4xxComm engine;
    // One open, exchange and close first: the executor's reactor descriptors
    // and first-use allocations then belong to the baseline, not to growth.
    Usage baseline;
    for (int round = 0; round < 2; ++round) {
        if (const std::error_code error = engine.Open(sim.SlavePath(), 115200, 0, 0)) {
            std::fprintf(stderr, "open: %s\n", error.message().c_str());
            return 1;
        }
        if (round == 1) {
            break;
        }
        for (const auto& exchange : Exchanges()) {
            Exchange(engine, exchange.text, exchange.command);
        }
        engine.Close();
        baseline = Sample();
        Print("closed, after warm-up", baseline);
    }
    bool flat = RunExchanges(engine, sim, settings.exchanges);
    flat = RunScan(engine, sim, settings) && flat;
    engine.Close();
    const Usage closed = Sample();
    Print("closed, at the end", closed);
    std::printf("I/O threads held after close: %zu\n", gIoServiceExec.HeldThreadCount());
    flat = Flat("whole run", baseline, closed) && gIoServiceExec.HeldThreadCount() == 0 && flat;
    sim.Stop();
    std::printf("soak: %s\n", flat ? "flat" : "NOT FLAT");
    return flat ? 0 : 1;
}
