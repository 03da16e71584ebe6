#include "protocol/zantor_kx4xx_comm.h"

#include <algorithm>

#include "protocol/reply_framing.h"
#include "serial/io_service_exec.h"

namespace {
constexpr auto kPollInterval = std::chrono::milliseconds(10);
}  // namespace

ZantorKX4xxComm::ZantorKX4xxComm() : port(std::make_shared<CSerialportMP>(gIoServiceExec.Context()))
{
    using namespace std::placeholders;
    port->readHandler = std::bind(&ZantorKX4xxComm::OnSerialRead, this, _1, _2, _3, _4);
    port->writeHandler = std::bind(&ZantorKX4xxComm::OnSerialWrite, this, _1, _2, _3);
    RegisterParsers();
}

void ZantorKX4xxComm::RegisterParsers()
{
    parsers = BuildParserTable();
}

std::error_code ZantorKX4xxComm::Open(const std::string& portName, unsigned baudRate, uint8_t parity,
                                      uint8_t stopBits)
{
    // The port closed itself after a failure that nobody was told about:
    // settle its share of the executor first, so the threads are fresh.
    if (holdsExecutor && !port->isOpen.load())
        ReleaseExecutor();

    const std::error_code error = port->Open(portName, baudRate, parity, stopBits);
    if (error)
        return error;
    closing.exchange(false);
    if (!holdsExecutor) {
        gIoServiceExec.StartThreads();
        ++OpenPortCount;
        holdsExecutor = true;
    }
    return {};
}

void ZantorKX4xxComm::Close()
{
    if (!port->isOpen.load() && !holdsExecutor)
        return;
    closing.exchange(true);
    {
        // Taking the lock orders the notification after a waiter's check of
        // closing, so the wake-up cannot fall between its test and its wait.
        std::lock_guard<std::mutex> lock(rxMutex);
    }
    rxCond.notify_all();
    port->Close();
    if (holdsExecutor)
        ReleaseExecutor();
    std::lock_guard<std::mutex> lock(rxMutex);
    rxBuffer.clear();
}

void ZantorKX4xxComm::ReleaseExecutor()
{
    holdsExecutor = false;
    if (--OpenPortCount == 0)
        gIoServiceExec.Stop();
}

void ZantorKX4xxComm::OnSerialRead(const std::shared_ptr<CSerialportMP>& serial, std::error_code& error,
                                   const std::vector<uint8_t>& data, unsigned count)
{
    std::lock_guard<std::mutex> lock(rxMutex);
    if (!error) {
        dataArrived.exchange(true);
        if (count <= kRxBufferLimit && rxBuffer.size() <= kRxBufferLimit) {
            const size_t room = kRxBufferLimit - rxBuffer.size();
            const size_t taken = std::min<size_t>({room, count, data.size()});
            rxBuffer.insert(rxBuffer.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(taken));
            if (onReceive)
                onReceive(this, data);
        }
        return;
    }
    if (!closing.load() && onError)
        onError(this, error);
    else
        serial->Close();
}

void ZantorKX4xxComm::OnSerialWrite(const std::shared_ptr<CSerialportMP>& serial, std::error_code& error, unsigned)
{
    if (!error)
        return;
    if (onError)
        onError(this, error);
    else
        serial->Close();
}

int ZantorKX4xxComm::WaitForData()
{
    std::unique_lock<std::mutex> lock(rxMutex);
    rxCond.wait_for(lock, kPollInterval, [this] { return dataArrived.load() || closing.load(); });
    if (closing.load())
        return -1;
    if (dataArrived.load())
        dataArrived.exchange(false);
    if (rxBuffer.empty())
        return 0;
    pending.insert(pending.end(), rxBuffer.begin(), rxBuffer.end());
    rxBuffer.clear();
    // A consumer slower than the device loses the oldest bytes, never the
    // newest: a stale line cut here is dropped as unmatched, and pending can
    // never fill up with bytes that hold no line end.
    if (pending.size() > kPendingLimit)
        pending.erase(pending.begin(), pending.end() - static_cast<std::ptrdiff_t>(kPendingLimit));
    return static_cast<int>(pending.size());
}

unsigned ZantorKX4xxComm::ElapsedMs() const
{
    const auto elapsed = std::chrono::steady_clock::now() - requestStart;
    return static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

ReplyResult ZantorKX4xxComm::SendAndWait(const char* text, size_t length, kx4xx_atcmd command, unsigned timeLimitMs)
{
    if (!port->isOpen.load())
        return MakeReplyResult(REPLY_PORT_CLOSED);
    {
        std::lock_guard<std::mutex> lock(rxMutex);
        rxBuffer.clear();
    }
    // Whatever is left from an earlier request, a late reply included, is
    // thrown away so it can never answer this one.
    pending.clear();

    if (length != 0) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(text);
        // Observed before it goes out, so that a trace never shows a reply
        // ahead of the command it answers.
        if (onSend)
            onSend(this, std::vector<uint8_t>(bytes, bytes + length));
        port->Send(bytes, static_cast<int>(length));
    }
    return AwaitReply(command, timeLimitMs, [](ReplyKind kind) { return kind != REPLY_UNMATCHED; });
}

int ZantorKX4xxComm::WaitScanReport(ScanReport& report, unsigned timeLimitMs)
{
    if (!port->isOpen.load())
        return REPLY_PORT_CLOSED;
    // Nothing is emptied: reports that arrived since the last call are pending.
    const ReplyResult reply = AwaitReply(ATCMD_SCAN_REPORT, timeLimitMs,
                                         [](ReplyKind kind) { return kind == REPLY_SCAN_REPORT; });
    const ReplyKind kind = ResultKind(reply);
    if (kind == REPLY_SCAN_REPORT)
        std::copy_n(ResultPayload(reply), sizeof report, reinterpret_cast<uint8_t*>(&report));
    return kind;
}

ReplyResult ZantorKX4xxComm::AwaitReply(kx4xx_atcmd command, unsigned timeLimitMs, bool (*isAnswer)(ReplyKind))
{
    requestStart = std::chrono::steady_clock::now();
    // Replies already complete in pending are cut without waiting: a device
    // that streams faster than one reply per poll would otherwise pile up
    // in pending and be answered ever later.
    bool needBytes = pending.empty();
    while (ElapsedMs() <= timeLimitMs) {
        if (needBytes) {
            if (WaitForData() < 0)
                return MakeReplyResult(REPLY_ABORTED);
        } else if (closing.load()) {
            return MakeReplyResult(REPLY_ABORTED);
        }
        needBytes = true;
        if (pending.empty())
            continue;
        ReplyResult reply = ExtractReply(parsers, pending, command);
        if (!reply)
            return MakeReplyResult(REPLY_NO_RESULT);
        const ReplyKind kind = ResultKind(reply);
        if (kind == REPLY_INCOMPLETE)
            continue;
        if (isAnswer(kind))
            return reply;
        needBytes = pending.empty();
    }
    return MakeReplyResult(REPLY_TIMEOUT);
}
