// Fuzz target: the engine's receive path (ReplyReceiver) without a port. The
// input is a series of operations on one byte stream of lines:
//   op & 3 == 0: a line joins the stream: its size from the next byte and
//                bits 2-4 of op (0 to 2047 bytes before the carriage return),
//                the content a "#<index>:" tag followed by the input's bytes
//                (a carriage return, line feed or zero in them becomes '~';
//                '=' where the input runs out);
//   op & 3 == 1: the next bytes of the stream arrive as one read of
//                (next byte + 1) * (1 + bits 2-4 of op) bytes;
//   op & 3 == 2: the requesting thread takes one reply without waiting;
//   op & 3 == 3: it collects with a wait of 0 ms, then takes one reply.
// Lines beyond 8 KiB of stream are left out. At the end the rest of the
// stream arrives in reads of at most 1024 bytes, each collected, and the
// replies are taken until none is complete.
//
// Checked: every text given is the tag and start of a line that was sent
// whole, lines come out in the order they were sent and at most once, and
// a reply too long is given only where a line that long was sent. When no
// bound can have been reached (never more than 1024 bytes between two
// collections, at most 4096 bytes in all), every line comes out.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/reply_contract.h"
#include "protocol/reply_framing.h"
#include "protocol/reply_receiver.h"

namespace {

const ParserTable& Table()
{
    static const ParserTable table = BuildParserTable();
    return table;
}

bool IsAnyReply(ReplyKind kind) { return kind != REPLY_UNMATCHED; }

class Run {
public:
    // Each line is written straight into the stream: copies of it here
    // would cost more than the receiver's own work on it.
    Run() { stream.reserve(kStreamCapacity); }

    void AddLine(const uint8_t* content, size_t available, size_t length)
    {
        // Twice the pending bound is room enough for every drop; more
        // only slows the run down.
        if (stream.size() >= kStreamLimit)
            return;
        char tag[24];
        const int tagLength = std::snprintf(tag, sizeof tag, "#%zu:", lines.size());
        const size_t begin = stream.size();
        stream.append(tag, static_cast<size_t>(tagLength));
        const size_t contentBegin = stream.size();
        stream.append(reinterpret_cast<const char*>(content), available);
        std::replace_if(stream.begin() + static_cast<std::ptrdiff_t>(contentBegin), stream.end(),
                        [](char c) { return c == '\r' || c == '\n' || c == '\0'; }, '~');
        stream.append(length - available, '=');
        lines.push_back({begin, stream.size() - begin});
        stream += '\r';
    }

    void Arrive(size_t count)
    {
        count = std::min(count, stream.size() - sent);
        receiver.Receive(reinterpret_cast<const uint8_t*>(stream.data() + sent), count);
        sent += count;
        uncollected += count;
        mayHaveDropped = mayHaveDropped || uncollected > ReplyReceiver::kRxBufferLimit;
    }

    void Collect()
    {
        Require(receiver.WaitForData(std::chrono::milliseconds(0)) >= 0, "a wait aborted without Abort");
        uncollected = 0;
    }

    // Takes one reply; false when none was complete.
    bool Take()
    {
        const ReplyResult reply = receiver.TakeReply(Table(), ATCMD_GET_TEXT, IsAnyReply);
        uncollected = 0;
        Require(static_cast<bool>(reply), "an empty result");
        RequireWellFormed(reply);
        const ReplyKind kind = ResultKind(reply);
        if (kind == REPLY_INCOMPLETE)
            return false;
        if (kind == REPLY_TOO_LONG) {
            Require(LongLineAhead(), "a reply too long where no line that long was sent");
            return true;
        }
        Require(kind == REPLY_TEXT, "a kind the text parser cannot yield");
        const char* text = reinterpret_cast<const char*>(ResultPayload(reply));
        size_t index = 0;
        Require(std::sscanf(text, "#%zu:", &index) == 1 && index < lines.size(), "a text without the tag of a line sent");
        Require(next <= index, "a line out of order or twice");
        const Line& line = lines[index];
        const size_t start = std::min(line.size, kReplyTextSize - 1);
        Require(std::strlen(text) == start && stream.compare(line.begin, start, text) == 0,
                "a text that is not the start of its line");
        Require(line.size + 1 <= kMaxReplyLength, "a text of a line too long");
        next = index + 1;
        ++given;
        return true;
    }

    void Finish()
    {
        while (sent < stream.size()) {
            Arrive(ReplyReceiver::kRxBufferLimit);
            Collect();
        }
        // Every call consumes bytes or reports nothing complete.
        for (size_t calls = 0; Take(); ++calls)
            Require(calls <= stream.size(), "taking replies does not come to an end");
        if (!mayHaveDropped && stream.size() <= ReplyReceiver::kPendingLimit) {
            const size_t whole = static_cast<size_t>(
                std::count_if(lines.begin(), lines.end(), [](const Line& l) { return l.size + 1 <= kMaxReplyLength; }));
            Require(given == whole, "a line lost although no bound was reached");
        }
    }

private:
    struct Line {
        size_t begin;  // in stream
        size_t size;   // without the carriage return
    };
    static constexpr size_t kStreamLimit = 2 * ReplyReceiver::kPendingLimit;
    // The limit, one more line of the longest kind and its tag.
    static constexpr size_t kStreamCapacity = kStreamLimit + 2048 + 24;

    bool LongLineAhead() const
    {
        return std::any_of(lines.begin() + static_cast<std::ptrdiff_t>(std::min(next, lines.size())), lines.end(),
                           [](const Line& l) { return l.size + 1 > kMaxReplyLength; });
    }

    ReplyReceiver receiver;
    std::vector<Line> lines;
    std::string stream;
    size_t sent = 0;
    size_t uncollected = 0;
    bool mayHaveDropped = false;
    size_t next = 0;   // lines before this one can no longer come out
    size_t given = 0;  // texts given
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Run run;
    size_t at = 0;
    const auto nextByte = [&]() -> size_t { return at < size ? data[at++] : 0; };
    while (at < size) {
        const unsigned op = data[at++];
        const size_t high = (op >> 2) & 7;
        switch (op & 3) {
        case 0: {
            const size_t length = nextByte() | (high << 8);
            const size_t available = std::min(length, size - at);
            run.AddLine(data + at, available, length);
            at += available;
            break;
        }
        case 1:
            run.Arrive((nextByte() + 1) * (1 + high));
            break;
        case 2:
            run.Take();
            break;
        default:
            run.Collect();
            run.Take();
            break;
        }
    }
    run.Finish();
    return 0;
}
