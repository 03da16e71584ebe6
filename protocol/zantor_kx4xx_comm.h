// ZantorKX4xxComm: the request/reply engine between the program and the adapter.
//
// Owns the serial port and serves one request at a time: send a command
// text, then wait until a reply recognised for the command arrives, the
// time limit passes, or Close aborts the wait. Failures are ReplyKind values.
// The receive path (ReplyReceiver) keeps the bytes the I/O threads receive,
// bounded at 1024 waiting for collection and 4096 collected, and the read
// handler wakes the waiting thread: a reply is cut as soon as its bytes are
// there, not at the next poll. Waits are still taken in 10 ms steps, so the
// time limits are checked as before.
//
// Threads: Open, Close and the destructor run on the owner's thread;
// SendAndWait and WaitScanReport on one requesting thread at a time;
// OnSerialRead and OnSerialWrite on I/O threads. Lock order: the port's read
// mutex before the receiver's rxMutex (the read handler is called with the
// former held).
//
// One request at a time is checked, not assumed: a request starts by
// emptying the receive buffers, so a second one overlapping the first would
// take its replies. SendAndWait or WaitScanReport called while another
// request of this engine is in progress, on any thread, is misuse: it
// throws std::logic_error at once, sends nothing and leaves the request in
// progress undisturbed.
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
#include "protocol/reply_receiver.h"
#include "serial/serialport_mp.h"

class ZantorKX4xxComm;

using ErrorCallback = std::function<void(const ZantorKX4xxComm* engine, std::error_code& error)>;
using ByteObserver = std::function<void(const ZantorKX4xxComm* engine, const std::vector<uint8_t>& bytes)>;

class ZantorKX4xxComm {
public:
    static constexpr size_t kRxBufferLimit = ReplyReceiver::kRxBufferLimit;
    static constexpr size_t kPendingLimit = ReplyReceiver::kPendingLimit;
    static constexpr unsigned kScanReportTimeLimitMs = 1200;

    ZantorKX4xxComm();
    // Closes the port if the owner did not, and detaches the port's handlers
    // from this engine: the port may outlive it (a pending operation holds it).
    ~ZantorKX4xxComm();
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
    // A report already received is returned at once, whatever the limit; a
    // limit of 0 does not wait at all (REPLY_TIMEOUT when none is there).
    int WaitScanReport(ScanReport& report, unsigned timeLimitMs = kScanReportTimeLimitMs);

    std::shared_ptr<CSerialportMP> port;
    // Each read's bytes, on an I/O thread, before the engine keeps them: a
    // request started right after the observer saw bytes may still get them.
    ByteObserver onReceive;
    // Each command's bytes, on the requesting thread, before they are sent.
    ByteObserver onSend;
    ErrorCallback onError;

private:
    void RegisterParsers();
    void OnSerialRead(const std::shared_ptr<CSerialportMP>& serial, std::error_code& error,
                      const std::vector<uint8_t>& data, unsigned count);
    void OnSerialWrite(const std::shared_ptr<CSerialportMP>& serial, std::error_code& error, unsigned written);
    // Gives back this engine's hold on the executor: the last one joins the
    // I/O threads.
    void ReleaseExecutor();

    ReplyReceiver receiver;
    ParserTable parsers;
    std::atomic<bool> requestInProgress{false};  // set for the length of SendAndWait or WaitScanReport
    // Owner's thread only: this engine holds the executor. Kept apart from
    // port->isOpen because the engine may close the port by itself on an
    // I/O thread (no onError set); the hold is then still released by the
    // next Close or Open.
    bool holdsExecutor = false;
};
