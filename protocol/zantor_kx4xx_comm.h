// ZantorKX4xxComm: the request/reply engine between the program and the adapter.
//
// Owns the serial port, collects the bytes the I/O threads receive, and
// serves one request at a time: send a command text, then poll in 10 ms
// steps until a reply recognised for the command arrives, the time limit
// passes, or Close aborts the wait. Failures are ReplyKind values. Received
// bytes are bounded twice: 1024 waiting for collection, 4096 collected.
//
// Threads: Open and Close run on the owner's thread; SendAndWait and
// WaitScanReport on one requesting thread at a time; OnSerialRead and
// OnSerialWrite on I/O threads. Lock order: the port's read mutex before
// rxMutex (the read handler is called with the former held).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "protocol/reply_parsers.h"
#include "serial/serialport_mp.h"

class ZantorKX4xxComm;

using ErrorCallback = std::function<void(const ZantorKX4xxComm* engine, std::error_code& error)>;
using ByteObserver = std::function<void(const ZantorKX4xxComm* engine, const std::vector<uint8_t>& bytes)>;

class ZantorKX4xxComm {
public:
    static constexpr size_t kRxBufferLimit = 1024;
    static constexpr size_t kPendingLimit = 4 * kRxBufferLimit;
    static constexpr unsigned kScanReportTimeLimitMs = 1200;

    ZantorKX4xxComm();
    // Does not close the port: the owner closes first.
    ~ZantorKX4xxComm() = default;
    ZantorKX4xxComm(const ZantorKX4xxComm&) = delete;
    ZantorKX4xxComm& operator=(const ZantorKX4xxComm&) = delete;

    // parity: 0 none, 1 odd, 2 even; stopBits: 0 one, 1 one and a half, 2 two.
    std::error_code Open(const std::string& portName, unsigned baudRate, uint8_t parity, uint8_t stopBits);
    // Ends any wait at once (REPLY_ABORTED), closes the port and, when it was
    // the last open port of the process, joins the I/O threads.
    void Close();
    // Never returns an empty result.
    ReplyResult SendAndWait(const char* text, size_t length, kx4xx_atcmd command, unsigned timeLimitMs);
    // Waits up to timeLimitMs for one scan report; returns a ReplyKind value.
    // A report already received is returned at once, whatever the limit.
    int WaitScanReport(ScanReport& report, unsigned timeLimitMs = kScanReportTimeLimitMs);

    std::shared_ptr<CSerialportMP> port;
    ByteObserver onReceive;
    ByteObserver onSend;
    ErrorCallback onError;

private:
    void RegisterParsers();
    void OnSerialRead(const std::shared_ptr<CSerialportMP>& serial, std::error_code& error,
                      const std::vector<uint8_t>& data, unsigned count);
    void OnSerialWrite(const std::shared_ptr<CSerialportMP>& serial, std::error_code& error, unsigned written);
    // -1 when closing; otherwise the size of pending after collecting (0 when nothing arrived).
    int WaitForData();
    // Cuts replies for command off pending, collecting bytes as needed, until
    // isAnswer accepts one; otherwise ends in REPLY_TIMEOUT, REPLY_ABORTED or
    // REPLY_NO_RESULT. Never returns an empty result.
    ReplyResult AwaitReply(kx4xx_atcmd command, unsigned timeLimitMs, bool (*isAnswer)(ReplyKind));
    unsigned ElapsedMs() const;
    // Gives back this engine's share of the executor: the count of open ports
    // drops, and the last one joins the I/O threads.
    void ReleaseExecutor();

    std::vector<char> rxBuffer;  // guarded by rxMutex; never more than 1024 bytes
    std::vector<char> pending;   // requesting thread only; never more than kPendingLimit bytes, oldest dropped first
    std::mutex rxMutex;
    std::condition_variable rxCond;
    ParserTable parsers;
    std::atomic<bool> closing{false};
    std::atomic<bool> dataArrived{false};
    std::chrono::steady_clock::time_point requestStart;  // requesting thread only
    // Owner's thread only: this engine counts in OpenPortCount. Kept apart
    // from port->isOpen because the engine may close the port by itself on an
    // I/O thread (no onError set); the count is then still released by the
    // next Close or Open, so the executor never keeps finished threads.
    bool holdsExecutor = false;
};
