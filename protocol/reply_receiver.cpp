#include "protocol/reply_receiver.h"

#include <algorithm>

#include "protocol/reply_framing.h"

namespace {

constexpr char kCr = '\r';

// Drops the bytes after the last carriage return: the start of a line whose
// end is gone.
void DropUnfinishedLine(std::vector<char>& bytes)
{
    const auto lastCr = std::find(bytes.rbegin(), bytes.rend(), kCr);
    bytes.erase(lastCr.base(), bytes.end());
}

}  // namespace

void ReplyReceiver::Receive(const uint8_t* data, size_t count)
{
    {
        std::lock_guard<std::mutex> lock(rxMutex);
        const char* begin = reinterpret_cast<const char*>(data);
        const char* const end = begin + count;
        if (skipToLineEnd) {
            const char* lineEnd = std::find(begin, end, kCr);
            skipToLineEnd = lineEnd == end;
            begin = skipToLineEnd ? end : lineEnd + 1;
        }
        const size_t arrived = static_cast<size_t>(end - begin);
        const size_t taken = std::min(kRxBufferLimit - rxBuffer.size(), arrived);
        rxBuffer.insert(rxBuffer.end(), begin, begin + taken);
        if (taken < arrived) {
            // The line the dropped bytes belonged to goes as a whole: its
            // start here (or, when it began before these bytes, in pending)...
            if (std::find(rxBuffer.begin(), rxBuffer.end(), kCr) == rxBuffer.end()) {
                rxBuffer.clear();
                pendingTailCut = true;
            } else {
                DropUnfinishedLine(rxBuffer);
            }
            // ...and its rest, unless the dropped bytes ended it.
            skipToLineEnd = end[-1] != kCr;
        }
        dataArrived.exchange(true);
    }
    rxCond.notify_all();
}

void ReplyReceiver::Abort()
{
    {
        // Setting the flag under the lock orders it before or after a
        // waiter's test, so the wake-up cannot fall between its test and its wait.
        std::lock_guard<std::mutex> lock(rxMutex);
        closing.exchange(true);
    }
    rxCond.notify_all();
}

void ReplyReceiver::Reopen()
{
    std::lock_guard<std::mutex> lock(rxMutex);
    skipToLineEnd = false;
    pendingTailCut = false;
    closing.exchange(false);
}

void ReplyReceiver::DropReceived()
{
    std::lock_guard<std::mutex> lock(rxMutex);
    rxBuffer.clear();
}

void ReplyReceiver::DiscardAll()
{
    std::lock_guard<std::mutex> lock(rxMutex);
    rxBuffer.clear();
    pending.clear();
    // A new request starts afresh: what arrives from now on is taken as it
    // comes, as after any partial line thrown away here.
    skipToLineEnd = false;
    pendingTailCut = false;
}

void ReplyReceiver::Collect()
{
    if (pendingTailCut) {
        DropUnfinishedLine(pending);
        pendingTailCut = false;
    }
    dataArrived.exchange(false);
    if (rxBuffer.empty())
        return;
    pending.insert(pending.end(), rxBuffer.begin(), rxBuffer.end());
    rxBuffer.clear();
    BoundPending();
}

void ReplyReceiver::BoundPending()
{
    if (pending.size() <= kPendingLimit)
        return;
    // A consumer slower than the device loses the oldest bytes, never the
    // newest, and with them the rest of the line they cut into.
    auto keepFrom = pending.end() - static_cast<std::ptrdiff_t>(kPendingLimit);
    if (keepFrom[-1] != kCr) {
        keepFrom = std::find(keepFrom, pending.end(), kCr);
        if (keepFrom == pending.end()) {
            // No line ends in what is kept: its end is still to come.
            pending.clear();
            skipToLineEnd = true;
            return;
        }
        ++keepFrom;
    }
    pending.erase(pending.begin(), keepFrom);
}

int ReplyReceiver::WaitForData(std::chrono::milliseconds maxWait)
{
    std::unique_lock<std::mutex> lock(rxMutex);
    // A timed wait goes to the kernel even for 0 ms and sleeps for the
    // timer's slack there: a zero wait only collects.
    if (maxWait > std::chrono::milliseconds::zero())
        rxCond.wait_for(lock, maxWait, [this] { return dataArrived.load() || closing.load(); });
    if (closing.load())
        return -1;
    Collect();
    return static_cast<int>(pending.size());
}

ReplyResult ReplyReceiver::TakeReply(const ParserTable& parsers, kx4xx_atcmd command, AnswerTest isAnswer)
{
    {
        std::lock_guard<std::mutex> lock(rxMutex);
        Collect();
    }
    // Replies already complete are cut without waiting: a device that
    // streams faster than the waits would otherwise pile up in pending and
    // be answered ever later.
    for (;;) {
        if (pending.empty())
            return MakeReplyResult(REPLY_INCOMPLETE);
        ReplyResult reply = ExtractReply(parsers, pending, command);
        if (!reply)
            return reply;
        const ReplyKind kind = ResultKind(reply);
        if (kind == REPLY_INCOMPLETE || isAnswer(kind))
            return reply;
    }
}

ReplyResult ReplyReceiver::PollReply(const ParserTable& parsers, kx4xx_atcmd command, AnswerTest isAnswer)
{
    if (closing.load())
        return MakeReplyResult(REPLY_ABORTED);
    ReplyResult reply = TakeReply(parsers, command, isAnswer);
    if (!reply)
        return MakeReplyResult(REPLY_NO_RESULT);
    if (ResultKind(reply) == REPLY_INCOMPLETE)
        return MakeReplyResult(REPLY_TIMEOUT);
    return reply;
}

ReplyResult ReplyReceiver::AwaitReply(const ParserTable& parsers, kx4xx_atcmd command, unsigned timeLimitMs,
                                      AnswerTest isAnswer)
{
    const auto requestStart = std::chrono::steady_clock::now();
    const auto elapsedMs = [requestStart] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - requestStart)
            .count();
    };
    for (;;) {
        ReplyResult reply = PollReply(parsers, command, isAnswer);
        if (ResultKind(reply) != REPLY_TIMEOUT || elapsedMs() > static_cast<long long>(timeLimitMs))
            return reply;
        if (WaitForData(kWaitStep) < 0)
            return MakeReplyResult(REPLY_ABORTED);
    }
}
