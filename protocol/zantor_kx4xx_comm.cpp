#include "protocol/zantor_kx4xx_comm.h"

#include <algorithm>
#include <stdexcept>

#include "serial/io_service_exec.h"

namespace {

// Holds the engine's one request for its whole length.
class OneRequest {
public:
    explicit OneRequest(std::atomic<bool>& flag) : inProgress(flag)
    {
        if (inProgress.exchange(true))
            throw std::logic_error("ZantorKX4xxComm: a request while another one is in progress");
    }
    ~OneRequest() { inProgress.store(false); }
    OneRequest(const OneRequest&) = delete;
    OneRequest& operator=(const OneRequest&) = delete;

private:
    std::atomic<bool>& inProgress;
};

}  // namespace

ZantorKX4xxComm::ZantorKX4xxComm() : port(std::make_shared<CSerialportMP>(gIoServiceExec.Context()))
{
    using namespace std::placeholders;
    port->readHandler = std::bind(&ZantorKX4xxComm::OnSerialRead, this, _1, _2, _3, _4);
    port->writeHandler = std::bind(&ZantorKX4xxComm::OnSerialWrite, this, _1, _2, _3);
    RegisterParsers();
}

ZantorKX4xxComm::~ZantorKX4xxComm()
{
    Close();
    port->DetachHandlers();
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
    receiver.Reopen();
    if (!holdsExecutor) {
        gIoServiceExec.Acquire();
        holdsExecutor = true;
    }
    return {};
}

void ZantorKX4xxComm::Close()
{
    if (!port->isOpen.load() && !holdsExecutor)
        return;
    receiver.Abort();
    port->Close();
    if (holdsExecutor)
        ReleaseExecutor();
    receiver.DropReceived();
}

void ZantorKX4xxComm::ReleaseExecutor()
{
    holdsExecutor = false;
    gIoServiceExec.Release();
}

void ZantorKX4xxComm::OnSerialRead(const std::shared_ptr<CSerialportMP>& serial, std::error_code& error,
                                   const std::vector<uint8_t>& data, unsigned count)
{
    if (!error) {
        // Observed before a waiting request can see the bytes: the request
        // may return at once, and its caller may end what the observer
        // uses. A trace also shows a reply before the next command.
        if (onReceive)
            onReceive(this, data);
        receiver.Receive(data.data(), std::min<size_t>(count, data.size()));
        return;
    }
    if (!receiver.Aborted() && onError)
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

ReplyResult ZantorKX4xxComm::SendAndWait(const char* text, size_t length, kx4xx_atcmd command, unsigned timeLimitMs)
{
    const OneRequest request(requestInProgress);
    if (!port->isOpen.load())
        return MakeReplyResult(REPLY_PORT_CLOSED);
    // Whatever is left from an earlier request, a late reply included, is
    // thrown away so it can never answer this one.
    receiver.DiscardAll();

    if (length != 0) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(text);
        // Observed before it goes out, so that a trace never shows a reply
        // ahead of the command it answers.
        if (onSend)
            onSend(this, std::vector<uint8_t>(bytes, bytes + length));
        port->Send(bytes, static_cast<int>(length));
    }
    return receiver.AwaitReply(parsers, command, timeLimitMs,
                               [](ReplyKind kind) { return kind != REPLY_UNMATCHED; });
}

int ZantorKX4xxComm::WaitScanReport(ScanReport& report, unsigned timeLimitMs)
{
    const OneRequest request(requestInProgress);
    if (!port->isOpen.load())
        return REPLY_PORT_CLOSED;
    // Nothing is emptied: reports that arrived since the last call are pending.
    const ReplyReceiver::AnswerTest isReport = [](ReplyKind kind) { return kind == REPLY_SCAN_REPORT; };
    const ReplyResult reply = timeLimitMs == 0 ? receiver.PollReply(parsers, ATCMD_SCAN_REPORT, isReport)
                                               : receiver.AwaitReply(parsers, ATCMD_SCAN_REPORT, timeLimitMs, isReport);
    const ReplyKind kind = ResultKind(reply);
    if (kind == REPLY_SCAN_REPORT)
        std::copy_n(ResultPayload(reply), sizeof report, reinterpret_cast<uint8_t*>(&report));
    return kind;
}
