// SimAdapter: the simulated ZANTOR-KX400 adapter on a pseudo-terminal.
//
// One service thread reads the pty master, answers each command (see
// HandleCommand), applies the faults of SimFaults, emits scan reports while
// scanning and records every command text it receives. Every other member
// function may be called from any thread; all of them take `mutex`, and the
// service thread holds it except while it waits in poll().
//
// Line hang-up: HangUp() or SimFaults::hangupAfter closes both sides of the
// pty, as if the adapter were unplugged; Reopen() plugs it in again on a new
// pty (a new slave path; the link, if any, is moved to it).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "sim/adapter_state.h"
#include "sim/pty_port.h"
#include "sim/scan_source.h"
#include "sim/sim_faults.h"

namespace kx4xx::sim {

class SimAdapter {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr size_t kMaxLineBytes = 1024;   // longer command lines are dropped with "+ERROR\r"
    static constexpr size_t kMaxRecord = 10000;     // the record keeps the latest commands
    static constexpr size_t kMaxPendingOutput = 65536;  // beyond it scan reports are dropped
    // On a paced line: the bytes the line carries in this time, at least kMinPacedBacklog.
    static constexpr std::chrono::milliseconds kPacedBacklogTime{20};
    static constexpr size_t kMinPacedBacklog = 64;
    static constexpr unsigned kDefaultScanPeriodMs = 100;

    SimAdapter();
    SimAdapter(const SimAdapter&) = delete;
    SimAdapter& operator=(const SimAdapter&) = delete;
    ~SimAdapter();

    // Opens the pty, points linkPath (if not empty) at its slave, starts the
    // service thread. Misuse (a second Start) throws std::logic_error.
    std::error_code Start(const std::string& linkPath = {});
    // Stops the thread, closes the pty, removes the link.
    void Stop();

    std::string SlavePath() const;  // empty while hung up
    bool IsLineUp() const;

    AdapterState GetState() const;
    void SetState(const AdapterState& state);
    SimFaults GetFaults() const;
    void SetFaults(const SimFaults& faults);
    std::vector<SimPeer> Peers() const;
    void SetPeers(std::vector<SimPeer> peers);
    void SetScanPeriodMs(unsigned periodMs);
    void SetRssiJitter(unsigned jitterDb);
    void SeedRssi(uint32_t seed);
    void SetReportPlusPrefix(bool on);
    // Paces the line at baudRate, 10 bits a byte, both ways: a reply leaves
    // only as fast as the line carries it, and a command counts as received
    // when its last byte would have arrived. 0 (the default): as fast as the
    // pseudo-terminal goes. A property of the line, so Reset keeps it.
    void SetBaudRate(unsigned baudRate);

    // Adapter state, faults, peers and scan settings to their defaults,
    // pending replies and the record dropped. The line stays as it is.
    void Reset();

    // Every command line received, oldest first, with its exact bytes up to
    // and including its carriage return.
    std::vector<std::string> Record() const;
    void ClearRecord();
    // Commands received since Start, never reset; for awaiting a command
    // that gets no answer.
    uint64_t CommandCount() const;
    bool WaitForCommandCount(uint64_t count, std::chrono::milliseconds limit) const;

    void HangUp();
    std::error_code Reopen();

    // The text control interface: one command line in, one reply line out
    // (see control_text.h).
    std::string Control(const std::string& line);

private:
    struct Output {
        Clock::time_point due;
        std::string bytes;
        bool hangUpAfter = false;
    };

    void Run();
    void Wake();
    void ReadLine(Clock::time_point now);
    void TakeBytes(const char* data, size_t size, Clock::time_point now);
    void TakeCommand(const std::string& received, const std::string& command, Clock::time_point now);
    std::string StyledReply(const std::string& reply) const;
    std::string InjectedNoise();
    void Queue(std::string bytes, Clock::time_point earliest, bool hangUpAfter);
    void EmitScanReport(Clock::time_point now);
    void PumpOutput(Clock::time_point now);
    // How long the thread may sleep before there is work; nullopt: until woken.
    std::optional<Clock::duration> SleepLimit(Clock::time_point now) const;
    // Under the split fault, whether the next byte must still wait.
    bool SplitPaused(Clock::time_point now) const;
    // How many waiting bytes a paced line has carried by now (all of them
    // on a line that is not paced).
    size_t LineCarried(Clock::time_point now) const;
    // Whether the next write must wait: the split fault or the paced line.
    bool WritePaused(Clock::time_point now) const;
    void CloseLine();
    void StartReports(Clock::time_point now);

    mutable std::mutex mutex;
    mutable std::condition_variable commandsChanged;
    // Guarded by mutex:
    AdapterState state;
    SimFaults faults;
    ScanSource scanSource;
    unsigned scanPeriodMs = kDefaultScanPeriodMs;
    Clock::time_point nextReportAt;
    uint32_t noiseRng = 0x2545F491u;
    std::deque<std::string> record;
    uint64_t commandCount = 0;
    std::string lineBuffer;       // bytes of the command line being received
    bool droppingLongLine = false;
    PtyPort pty;
    // Counts the lines closed: a new line may reuse the closed master's
    // descriptor number, so a poll result is matched to its line by this.
    uint64_t lineGeneration = 0;
    std::string linkPath;
    std::deque<Output> outputQueue;  // replies and reports not yet due, in order
    std::string writeBuffer;         // due bytes the pty has not taken yet
    Clock::time_point nextSplitWriteAt;  // split fault: when the next single byte may leave
    Clock::duration byteTime{0};         // paced line: one byte's time on it; zero: not paced
    Clock::time_point sentUntil;         // paced line: when the bytes written so far have left
    Clock::time_point receivedUntil;     // paced line: when the bytes read so far have arrived
    bool hangUpWhenDrained = false;
    Clock::time_point hangUpDeadline;
    Clock::time_point hangUpQuietSince;  // last time bytes were still on their way to the client
    bool started = false;

    std::atomic<bool> stopRequested{false};
    int wakeRead = -1;   // self-pipe that interrupts poll() after a change
    int wakeWrite = -1;
    std::thread thread;  // started last, joined first
};

}  // namespace kx4xx::sim
