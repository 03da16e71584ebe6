#include "sim/sim_adapter.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "sim/command_handler.h"
#include "sim/control_text.h"

namespace kx4xx::sim {

namespace {

// How long a hang-up waits for the client to read the last reply: closing
// the master discards whatever the slave has not read yet.
constexpr std::chrono::milliseconds kHangUpDrainLimit{1000};
constexpr std::chrono::milliseconds kHangUpQuietTime{100};
constexpr auto kHangUpDrainPoll = std::chrono::milliseconds(10);
constexpr size_t kBurstLineBytes = 64;
// Under the split fault, the pause between two single-byte writes: long
// enough that the client's reads see the bytes one by one.
constexpr std::chrono::milliseconds kSplitByteGap{1};

bool StartsWithAny(const std::string& text, const std::vector<std::string>& prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&](const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; });
}

}  // namespace

SimAdapter::SimAdapter() = default;

SimAdapter::~SimAdapter() {
    Stop();
}

std::error_code SimAdapter::Start(const std::string& link) {
    std::lock_guard<std::mutex> lock(mutex);
    if (started) throw std::logic_error("SimAdapter already started");
    int pipeFds[2];
    if (pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) return {errno, std::generic_category()};
    std::error_code error = pty.Open();
    if (!error && !link.empty()) error = UpdateLink(link, pty.SlavePath());
    if (error) {
        pty.Close();
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return error;
    }
    wakeRead = pipeFds[0];
    wakeWrite = pipeFds[1];
    linkPath = link;
    started = true;
    stopRequested = false;
    thread = std::thread(&SimAdapter::Run, this);
    return {};
}

void SimAdapter::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!started) return;
        stopRequested = true;
        Wake();
    }
    thread.join();
    std::lock_guard<std::mutex> lock(mutex);
    CloseLine();
    if (!linkPath.empty()) ::unlink(linkPath.c_str());
    ::close(wakeRead);
    ::close(wakeWrite);
    wakeRead = wakeWrite = -1;
    started = false;
}

std::string SimAdapter::SlavePath() const {
    std::lock_guard<std::mutex> lock(mutex);
    return pty.IsOpen() ? pty.SlavePath() : std::string();
}

bool SimAdapter::IsLineUp() const {
    std::lock_guard<std::mutex> lock(mutex);
    return pty.IsOpen();
}

AdapterState SimAdapter::GetState() const {
    std::lock_guard<std::mutex> lock(mutex);
    return state;
}

void SimAdapter::SetState(const AdapterState& newState) {
    std::lock_guard<std::mutex> lock(mutex);
    const bool wasScanning = state.scanning;
    state = newState;
    if (!wasScanning && state.scanning) StartReports(Clock::now());
    Wake();
}

SimFaults SimAdapter::GetFaults() const {
    std::lock_guard<std::mutex> lock(mutex);
    return faults;
}

void SimAdapter::SetFaults(const SimFaults& newFaults) {
    std::lock_guard<std::mutex> lock(mutex);
    faults = newFaults;
    Wake();
}

std::vector<SimPeer> SimAdapter::Peers() const {
    std::lock_guard<std::mutex> lock(mutex);
    return scanSource.Peers();
}

void SimAdapter::SetPeers(std::vector<SimPeer> peers) {
    std::lock_guard<std::mutex> lock(mutex);
    scanSource.SetPeers(std::move(peers));
}

void SimAdapter::SetScanPeriodMs(unsigned periodMs) {
    std::lock_guard<std::mutex> lock(mutex);
    scanPeriodMs = std::max(periodMs, 1u);
    nextReportAt = std::min(nextReportAt, Clock::now() + std::chrono::milliseconds(scanPeriodMs));
    Wake();
}

void SimAdapter::SetRssiJitter(unsigned jitterDb) {
    std::lock_guard<std::mutex> lock(mutex);
    scanSource.SetJitter(jitterDb);
}

void SimAdapter::SeedRssi(uint32_t seed) {
    std::lock_guard<std::mutex> lock(mutex);
    scanSource.Seed(seed);
}

void SimAdapter::SetReportPlusPrefix(bool on) {
    std::lock_guard<std::mutex> lock(mutex);
    scanSource.SetPlusPrefix(on);
}

void SimAdapter::Reset() {
    std::lock_guard<std::mutex> lock(mutex);
    state = AdapterState{};
    faults = SimFaults{};
    scanSource = ScanSource{};
    scanPeriodMs = kDefaultScanPeriodMs;
    record.clear();
    outputQueue.clear();
    writeBuffer.clear();
    hangUpWhenDrained = false;
    lineBuffer.clear();
    droppingLongLine = false;
    pty.DropUnread();
    Wake();
}

std::vector<std::string> SimAdapter::Record() const {
    std::lock_guard<std::mutex> lock(mutex);
    return {record.begin(), record.end()};
}

void SimAdapter::ClearRecord() {
    std::lock_guard<std::mutex> lock(mutex);
    record.clear();
}

uint64_t SimAdapter::CommandCount() const {
    std::lock_guard<std::mutex> lock(mutex);
    return commandCount;
}

bool SimAdapter::WaitForCommandCount(uint64_t count, std::chrono::milliseconds limit) const {
    std::unique_lock<std::mutex> lock(mutex);
    return commandsChanged.wait_for(lock, limit, [&] { return commandCount >= count; });
}

void SimAdapter::HangUp() {
    std::lock_guard<std::mutex> lock(mutex);
    CloseLine();
    Wake();
}

std::error_code SimAdapter::Reopen() {
    std::lock_guard<std::mutex> lock(mutex);
    if (!started) throw std::logic_error("SimAdapter not started");
    CloseLine();
    std::error_code error = pty.Open();
    if (!error && !linkPath.empty()) error = UpdateLink(linkPath, pty.SlavePath());
    if (state.scanning) StartReports(Clock::now());
    Wake();
    return error;
}

std::string SimAdapter::Control(const std::string& line) {
    return RunControlLine(*this, line);
}

void SimAdapter::Run() {
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopRequested) {
        Clock::time_point now = Clock::now();
        PumpOutput(now);
        pollfd fds[2] = {{wakeRead, POLLIN, 0}, {-1, 0, 0}};
        const uint64_t polledLine = lineGeneration;
        if (pty.IsOpen()) {
            fds[1].fd = pty.MasterFd();
            const bool wantsWrite = !writeBuffer.empty() && !WritePaused(now);
            fds[1].events = static_cast<short>(POLLIN | (wantsWrite ? POLLOUT : 0));
        }
        // A paced line's bytes are due to the microsecond: a wait rounded to
        // milliseconds would add up to a millisecond to every reply.
        const std::optional<Clock::duration> limit = SleepLimit(now);
        timespec wait{};
        if (limit) {
            const auto seconds = std::chrono::floor<std::chrono::seconds>(*limit);
            wait.tv_sec = static_cast<time_t>(seconds.count());
            wait.tv_nsec = static_cast<long>(std::chrono::nanoseconds(*limit - seconds).count());
        }
        lock.unlock();
        const int ready = ppoll(fds, 2, limit ? &wait : nullptr, nullptr);
        lock.lock();
        if (ready <= 0) continue;
        char drain[64];
        while (::read(wakeRead, drain, sizeof drain) > 0) {
        }
        // The line may have been closed or replaced while the lock was free.
        if (fds[1].fd < 0 || !pty.IsOpen() || lineGeneration != polledLine) continue;
        if (fds[1].revents & POLLIN) {
            ReadLine(Clock::now());
        } else if (fds[1].revents & (POLLHUP | POLLERR)) {
            CloseLine();
        }
    }
}

void SimAdapter::Wake() {
    if (wakeWrite >= 0) {
        const char byte = 1;
        // A full pipe already wakes the thread, so a failed write is harmless.
        [[maybe_unused]] const ssize_t written = ::write(wakeWrite, &byte, 1);
    }
}

void SimAdapter::ReadLine(Clock::time_point now) {
    char buffer[4096];
    const ssize_t count = ::read(pty.MasterFd(), buffer, sizeof buffer);
    if (count > 0) {
        if (byteTime > Clock::duration::zero()) {
            // The bytes are complete only when the last of them has come down the line.
            receivedUntil = std::max(receivedUntil, now) + byteTime * count;
            now = receivedUntil;
        }
        TakeBytes(buffer, static_cast<size_t>(count), now);
    } else if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
        CloseLine();
    }
}

void SimAdapter::TakeBytes(const char* data, size_t size, Clock::time_point now) {
    for (size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\r') {
            if (droppingLongLine) {
                droppingLongLine = false;
                Queue(StyledReply("+ERROR"), now + std::chrono::milliseconds(faults.replyDelayMs), false);
                continue;
            }
            const std::string received = lineBuffer + '\r';
            lineBuffer.clear();
            // A stray line feed (after the previous carriage return) is tolerated.
            const size_t start = received.find_first_not_of('\n');
            TakeCommand(received, received.substr(start, received.size() - 1 - start), now);
        } else if (!droppingLongLine) {
            lineBuffer += c;
            if (lineBuffer.size() >= kMaxLineBytes) {
                droppingLongLine = true;
                lineBuffer.clear();
            }
        }
    }
}

void SimAdapter::TakeCommand(const std::string& received, const std::string& command, Clock::time_point now) {
    record.push_back(received);
    if (record.size() > kMaxRecord) record.pop_front();
    ++commandCount;
    commandsChanged.notify_all();

    const bool hangUp = faults.hangupAfter > 0 && --faults.hangupAfter == 0;
    std::string output;
    if (command.empty() || faults.silent) {
        // An empty line is ignored, as by a modem; a silent adapter ignores everything.
    } else if (command == "AT" && faults.missAt > 0) {
        --faults.missAt;
    } else {
        std::string reply = "+ERROR";
        if (!StartsWithAny(command, faults.errorPrefixes)) {
            const CommandEffect effect = HandleCommand(state, command);
            reply = effect.reply;
            if (effect.scan == ScanChange::Started) StartReports(now);
        }
        output = (faults.echo ? command + "\r" : std::string()) + InjectedNoise() + StyledReply(reply);
    }
    auto delay = std::chrono::milliseconds(faults.replyDelayMs);
    if (!output.empty()) {
        delay += std::chrono::milliseconds(faults.lateReplyMs);
        faults.lateReplyMs = 0;
    }
    if (!output.empty() || hangUp) Queue(std::move(output), now + delay, hangUp);
}

std::string SimAdapter::StyledReply(const std::string& reply) const {
    if (!faults.framed) return reply + "\r";
    return "\r\n" + (reply == "+OK" ? std::string("OK") : reply) + "\r\n";
}

std::string SimAdapter::InjectedNoise() {
    std::string noise;
    for (unsigned i = 0; i < faults.garbageBytes; ++i) {
        noiseRng ^= noiseRng << 13;
        noiseRng ^= noiseRng >> 17;
        noiseRng ^= noiseRng << 5;
        const char byte = static_cast<char>(noiseRng & 0xFF);
        noise += (byte == '\r' || byte == '\n') ? '?' : byte;
    }
    if (faults.longLineBytes > 0) noise += std::string(faults.longLineBytes - 1, 'L') + '\r';
    for (size_t left = faults.burstBytes; left > 0;) {
        const size_t lineBytes = std::min(left, kBurstLineBytes);
        noise += std::string(lineBytes - 1, '~') + '\r';
        left -= lineBytes;
    }
    return noise;
}

void SimAdapter::Queue(std::string bytes, Clock::time_point earliest, bool hangUpAfter) {
    // Replies leave in the order their commands came, whatever their delays.
    const Clock::time_point due = outputQueue.empty() ? earliest : std::max(earliest, outputQueue.back().due);
    outputQueue.push_back(Output{due, std::move(bytes), hangUpAfter});
}

void SimAdapter::StartReports(Clock::time_point now) {
    scanSource.Restart();
    nextReportAt = now + std::chrono::milliseconds(scanPeriodMs);
}

void SimAdapter::EmitScanReport(Clock::time_point now) {
    nextReportAt += std::chrono::milliseconds(scanPeriodMs);
    if (nextReportAt <= now) nextReportAt = now + std::chrono::milliseconds(scanPeriodMs);
    size_t pending = writeBuffer.size();
    for (const Output& output : outputQueue) pending += output.bytes.size();
    // Nobody reads: a real adapter loses them too. On a paced line the
    // adapter holds back no more than the line carries in a few
    // milliseconds, so a reply never waits behind seconds of reports.
    const size_t limit = byteTime > Clock::duration::zero()
                             ? std::max<size_t>(kMinPacedBacklog, static_cast<size_t>(kPacedBacklogTime / byteTime))
                             : kMaxPendingOutput;
    if (pending >= limit) return;
    const std::string line = scanSource.NextReport(state.filterOn ? &state.filterName : nullptr);
    if (!line.empty()) Queue(line + "\r", now, false);
}

void SimAdapter::PumpOutput(Clock::time_point now) {
    if (!pty.IsOpen()) return;
    if (state.scanning && !faults.silent && now >= nextReportAt) EmitScanReport(now);
    while (!hangUpWhenDrained && !outputQueue.empty() && outputQueue.front().due <= now) {
        // An idle paced line starts carrying the bytes now.
        if (writeBuffer.empty()) sentUntil = std::max(sentUntil, now);
        writeBuffer += outputQueue.front().bytes;
        if (outputQueue.front().hangUpAfter) {
            hangUpWhenDrained = true;
            hangUpDeadline = now + kHangUpDrainLimit;
            hangUpQuietSince = now;
        }
        outputQueue.pop_front();
    }
    while (!writeBuffer.empty() && !WritePaused(now)) {
        const size_t size = std::min(faults.split ? 1 : writeBuffer.size(), LineCarried(now));
        const ssize_t written = ::write(pty.MasterFd(), writeBuffer.data(), size);
        if (written > 0) {
            writeBuffer.erase(0, static_cast<size_t>(written));
            nextSplitWriteAt = now + kSplitByteGap;
            sentUntil += byteTime * written;
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else if (written < 0 && errno == EAGAIN) {
            break;
        } else {
            CloseLine();
            return;
        }
    }
    if (!hangUpWhenDrained) return;
    // Bytes written to the master reach the slave's input queue a moment
    // later, so the queue must have stayed empty for a while.
    if (!writeBuffer.empty() || pty.UnreadBytes() > 0) hangUpQuietSince = now;
    if (now - hangUpQuietSince >= kHangUpQuietTime || now >= hangUpDeadline) CloseLine();
}

std::optional<SimAdapter::Clock::duration> SimAdapter::SleepLimit(Clock::time_point now) const {
    if (!pty.IsOpen()) return std::nullopt;
    if (hangUpWhenDrained) return kHangUpDrainPoll;
    Clock::time_point next = Clock::time_point::max();
    if (!outputQueue.empty()) next = outputQueue.front().due;
    if (state.scanning && !faults.silent) next = std::min(next, nextReportAt);
    if (!writeBuffer.empty() && SplitPaused(now)) next = std::min(next, nextSplitWriteAt);
    if (!writeBuffer.empty() && byteTime > Clock::duration::zero()) {
        // The next chunk: what the line carries in about a millisecond, at
        // least a byte, so that a paced line wakes the thread once a millisecond at most.
        const auto chunk = std::max<Clock::duration::rep>(1, std::chrono::milliseconds(1) / byteTime);
        const auto bytes = std::min<Clock::duration::rep>(chunk, static_cast<Clock::duration::rep>(writeBuffer.size()));
        next = std::min(next, sentUntil + byteTime * bytes);
    }
    if (next == Clock::time_point::max()) return std::nullopt;
    if (next <= now) return Clock::duration::zero();
    // The sleep never ends early, so the thread wakes with the work due.
    return std::min<Clock::duration>(next - now, std::chrono::seconds(60));
}

bool SimAdapter::SplitPaused(Clock::time_point now) const {
    return faults.split && now < nextSplitWriteAt;
}

size_t SimAdapter::LineCarried(Clock::time_point now) const {
    if (byteTime == Clock::duration::zero()) return writeBuffer.size();
    if (now <= sentUntil) return 0;
    return std::min(writeBuffer.size(), static_cast<size_t>((now - sentUntil) / byteTime));
}

bool SimAdapter::WritePaused(Clock::time_point now) const {
    return SplitPaused(now) || LineCarried(now) == 0;
}

void SimAdapter::SetBaudRate(unsigned baudRate) {
    std::lock_guard<std::mutex> lock(mutex);
    // 10 bits a byte: start, 8 data, stop.
    byteTime = baudRate == 0 ? Clock::duration::zero()
                             : std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(10.0 / baudRate));
    sentUntil = receivedUntil = Clock::now();
    Wake();
}

void SimAdapter::CloseLine() {
    pty.Close();
    ++lineGeneration;
    outputQueue.clear();
    writeBuffer.clear();
    hangUpWhenDrained = false;
    lineBuffer.clear();
    droppingLongLine = false;
}

}  // namespace kx4xx::sim
