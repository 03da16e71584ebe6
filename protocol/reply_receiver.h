// ReplyReceiver: the engine's receive path, without a port.
//
// The read handler hands received bytes over (Receive, on an I/O thread);
// the requesting thread collects them into its pending bytes, waits for more
// and cuts replies off them (WaitForData, TakeReply, AwaitReply). Received
// bytes are bounded twice: kRxBufferLimit waiting for collection,
// kPendingLimit collected. Where bytes are dropped at either bound, the rest
// of the line they belonged to is dropped too, up to its carriage return:
// a line is either whole or gone, never the start of one line joined to the
// end of another.
//
// Receive wakes the waiting thread, so a reply is cut as soon as its bytes
// are there; each wait is still bounded by kWaitStep so that time limits are
// checked at the same points as before.
//
// Threads: Receive on I/O threads; Abort, Reopen and DropReceived on the
// owner's thread; everything else on one requesting thread at a time.
// rxMutex is taken inside the serial port's read mutex (the read handler
// holds it) and is the last lock taken here.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "protocol/reply_parsers.h"

class ReplyReceiver {
public:
    static constexpr size_t kRxBufferLimit = 1024;
    static constexpr size_t kPendingLimit = 4 * kRxBufferLimit;
    static constexpr std::chrono::milliseconds kWaitStep{10};

    using AnswerTest = bool (*)(ReplyKind kind);

    // I/O thread: keeps what fits below kRxBufferLimit and wakes the waiter.
    void Receive(const uint8_t* data, size_t count);

    // Owner's thread: ends any wait at once and every later one until Reopen.
    void Abort();
    bool Aborted() const { return closing.load(); }
    // Owner's thread, after a successful open: a fresh line starts.
    void Reopen();
    // Owner's thread, after the port closed: bytes not yet collected go.
    void DropReceived();

    // Requesting thread: forgets everything received so far, a late reply
    // to an earlier request included.
    void DiscardAll();
    // Waits up to maxWait unless bytes arrived since the last collection or
    // the receiver was aborted, then collects; a maxWait of 0 does not wait.
    // -1 when aborted; otherwise the number of pending bytes.
    int WaitForData(std::chrono::milliseconds maxWait);
    // Collects without waiting, then cuts replies for command until isAnswer
    // accepts one. REPLY_INCOMPLETE when no complete reply is left; an empty
    // pointer when a parser returned none.
    ReplyResult TakeReply(const ParserTable& parsers, kx4xx_atcmd command, AnswerTest isAnswer);
    // TakeReply without waiting, ending as AwaitReply does: the answer,
    // REPLY_TIMEOUT when none is complete yet, REPLY_ABORTED or
    // REPLY_NO_RESULT; never empty.
    ReplyResult PollReply(const ParserTable& parsers, kx4xx_atcmd command, AnswerTest isAnswer);
    // PollReply, waiting for bytes as long as the time limit allows (tested
    // before each wait, so a limit of 0 still allows one wait). Ends in the
    // answer, REPLY_TIMEOUT, REPLY_ABORTED or REPLY_NO_RESULT; never empty.
    ReplyResult AwaitReply(const ParserTable& parsers, kx4xx_atcmd command, unsigned timeLimitMs,
                           AnswerTest isAnswer);

private:
    void Collect();  // caller holds rxMutex
    void BoundPending();  // caller holds rxMutex

    std::vector<char> rxBuffer;  // guarded by rxMutex; never more than kRxBufferLimit bytes
    // Guarded by rxMutex: the bytes about to arrive continue a line that
    // lost bytes, and are dropped up to its carriage return.
    bool skipToLineEnd = false;
    // Guarded by rxMutex: the line at the end of pending lost its end while
    // waiting in rxBuffer, and is dropped at the next collection.
    bool pendingTailCut = false;
    std::vector<char> pending;  // requesting thread only; guarded by rxMutex while collected into
    std::mutex rxMutex;
    std::condition_variable rxCond;
    std::atomic<bool> closing{false};
    std::atomic<bool> dataArrived{false};
};
