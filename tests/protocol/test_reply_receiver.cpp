// The engine's receive path without a port: bytes handed over as the read
// handler does, collected and cut as the requesting thread does. Where bytes
// are dropped at a bound, no line may come out that was not sent whole.
#include "protocol/reply_receiver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <future>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

const ParserTable& Parsers()
{
    static const ParserTable table = BuildParserTable();
    return table;
}

bool IsAnyReply(ReplyKind kind) { return kind != REPLY_UNMATCHED; }
bool IsReport(ReplyKind kind) { return kind == REPLY_SCAN_REPORT; }

void Receive(ReplyReceiver& receiver, const std::string& bytes)
{
    receiver.Receive(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// A 24-byte scan report whose address ends in n and whose name is Dev<n>.
std::string Report(unsigned n)
{
    char line[32];
    std::snprintf(line, sizeof line, "+0A1B2C3D4E%02X,-40,Dev%02u\r", n, n);
    return line;
}

// Every report given without waiting, by the last address byte; each must
// be the report sent with that address.
std::vector<unsigned> TakeReports(ReplyReceiver& receiver)
{
    std::vector<unsigned> taken;
    for (;;) {
        const ReplyResult reply = receiver.TakeReply(Parsers(), ATCMD_SCAN_REPORT, IsReport);
        if (ResultKind(reply) != REPLY_SCAN_REPORT)
            return taken;
        ScanReport report{};
        std::copy_n(ResultPayload(reply), sizeof report, reinterpret_cast<uint8_t*>(&report));
        const unsigned n = report.address.bytes[5];
        char name[8];
        std::snprintf(name, sizeof name, "Dev%02u", n);
        EXPECT_EQ(report.rssi, -40) << "report " << n;
        EXPECT_STREQ(report.name, name) << "report " << n;
        taken.push_back(n);
    }
}

TEST(ReplyReceiver, ReportsBeyondTheReceiveBoundAreDroppedWholeNotJoined)
{
    // 50 reports of 24 bytes arrive while nobody collects: 42 fit the 1024
    // bytes whole, the 43rd only in part. The scan report wait then takes
    // the first, and report 50 arrives while it goes on.
    ReplyReceiver receiver;
    for (unsigned n = 0; n < 50; ++n)
        Receive(receiver, Report(n));
    const ReplyResult first = receiver.TakeReply(Parsers(), ATCMD_SCAN_REPORT, IsReport);
    ASSERT_EQ(ResultKind(first), REPLY_SCAN_REPORT);
    Receive(receiver, Report(50));

    std::vector<unsigned> expected;
    for (unsigned n = 1; n < 42; ++n)
        expected.push_back(n);
    expected.push_back(50);
    EXPECT_EQ(TakeReports(receiver), expected);
}

// Every reply given without waiting for GET_TEXT, whose parser takes any
// line: a fragment joined to another line would show as a text never sent.
std::vector<std::string> TakeTexts(ReplyReceiver& receiver, size_t atMost = SIZE_MAX)
{
    std::vector<std::string> texts;
    while (texts.size() < atMost) {
        const ReplyResult reply = receiver.TakeReply(Parsers(), ATCMD_GET_TEXT, IsAnyReply);
        const ReplyKind kind = ResultKind(reply);
        if (kind == REPLY_INCOMPLETE)
            break;
        texts.push_back(kind == REPLY_TEXT ? reinterpret_cast<const char*>(ResultPayload(reply))
                                           : "kind " + std::to_string(kind));
    }
    return texts;
}

// A line of the given size with its carriage return: the tag, then dots.
std::string Line(const std::string& tag, size_t size)
{
    return tag + std::string(size - 1 - tag.size(), '.') + "\r";
}
std::string TextOf(const std::string& line)
{
    return line.substr(0, std::min<size_t>(line.size() - 1, 63));
}

TEST(ReplyReceiver, LinesCutAtEitherBoundAreDroppedWhole)
{
    const std::string x1100(1100, 'x');
    const std::string y1000(1000, 'y');
    const std::string full = Line("a", 250) + Line("b", 250) + Line("c", 250) + Line("d", 250) + Line("e", 14);
    struct Step {
        std::string received;  // handed over as one read
        bool take;             // then one reply is taken
    };
    const struct {
        const char* what;
        std::vector<Step> steps;
        std::vector<std::string> expected;  // every text given, in order
    } cases[] = {
        {"a line whose start was collected loses its end",
         {{"first\rstart-of-", true}, {x1100, false}, {"end-of-line\rwhole\r", false}},
         {"first", "whole"}},
        {"a line cut in one read, its rest in the next",
         {{full, false}, {"two\rthree-lo", false}, {"st\rnext\r", false}},
         {TextOf(Line("a", 250)), TextOf(Line("b", 250)), TextOf(Line("c", 250)), TextOf(Line("d", 250)),
          TextOf(Line("e", 14)), "two", "next"}},
        {"the dropped bytes end their line: the next read starts a whole one",
         {{full, false}, {"two\rthree\rfour\r", true}, {"next\r", false}},
         {TextOf(Line("a", 250)), TextOf(Line("b", 250)), TextOf(Line("c", 250)), TextOf(Line("d", 250)),
          TextOf(Line("e", 14)), "two", "three", "next"}},
        {"no line end in the 4096 pending bytes kept",
         {{"first\r", true}, {y1000, true}, {y1000, true}, {y1000, true}, {y1000, true}, {y1000, true},
          {"tail\rafter\r", false}},
         {"first", "after"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ReplyReceiver receiver;
        std::vector<std::string> texts;
        for (const Step& step : c.steps) {
            Receive(receiver, step.received);
            if (step.take) {
                for (const std::string& text : TakeTexts(receiver, 1))
                    texts.push_back(text);
            }
        }
        for (const std::string& text : TakeTexts(receiver))
            texts.push_back(text);
        EXPECT_EQ(texts, c.expected);
    }
}

TEST(ReplyReceiver, ANewRequestStartsAfreshInsideALineBeingDropped)
{
    // 3000 bytes without a line end: the bound drops the rest of the line.
    // A request's discard ends that, so its reply is not taken for the tail.
    ReplyReceiver receiver;
    Receive(receiver, std::string(3000, 'x'));
    receiver.DiscardAll();
    Receive(receiver, "+OK\r");
    EXPECT_EQ(ResultKind(receiver.TakeReply(Parsers(), ATCMD_PROBE, IsAnyReply)), REPLY_OK);
}

TEST(ReplyReceiver, PendingBoundDropsTheOldestLinesWhole)
{
    // 170 lines of 6 bytes a read, one line taken per read: pending grows
    // past 4096 bytes in the fifth read, and the cut falls inside a line.
    ReplyReceiver receiver;
    const auto line = [](unsigned n) {
        char text[8];
        std::snprintf(text, sizeof text, "n%04u", n);
        return std::string(text);
    };
    std::vector<std::string> texts;
    for (unsigned read = 0; read < 5; ++read) {
        std::string bytes;
        for (unsigned n = 170 * read; n < 170 * (read + 1); ++n)
            bytes += line(n) + "\r";
        Receive(receiver, bytes);
        for (const std::string& text : TakeTexts(receiver, 1))
            texts.push_back(text);
    }
    for (const std::string& text : TakeTexts(receiver))
        texts.push_back(text);

    // Kept: the 682 whole lines of the newest 4096 bytes (lines 168 to 849).
    std::vector<std::string> expected = {line(0), line(1), line(2), line(3)};
    for (unsigned n = 168; n < 850; ++n)
        expected.push_back(line(n));
    EXPECT_EQ(texts, expected);
}

TEST(ReplyReceiver, ArrivingBytesAndAbortWakeTheWaitingThread)
{
    // The waits are far longer than the test: only a wake-up ends them in time.
    constexpr auto kLongWait = std::chrono::milliseconds(60s);
    ReplyReceiver receiver;
    auto waiting = std::async(std::launch::async, [&] { return receiver.WaitForData(kLongWait); });
    ASSERT_EQ(waiting.wait_for(50ms), std::future_status::timeout);  // it does wait for bytes
    Receive(receiver, "+OK\r");
    ASSERT_EQ(waiting.wait_for(30s), std::future_status::ready);
    EXPECT_EQ(waiting.get(), 4);
    EXPECT_EQ(ResultKind(receiver.TakeReply(Parsers(), ATCMD_PROBE, IsAnyReply)), REPLY_OK);

    waiting = std::async(std::launch::async, [&] { return receiver.WaitForData(kLongWait); });
    receiver.Abort();
    ASSERT_EQ(waiting.wait_for(30s), std::future_status::ready);
    EXPECT_EQ(waiting.get(), -1);
    EXPECT_EQ(ResultKind(receiver.AwaitReply(Parsers(), ATCMD_PROBE, 60000, IsAnyReply)), REPLY_ABORTED);

    receiver.Reopen();
    Receive(receiver, "+OK\r");
    EXPECT_EQ(ResultKind(receiver.AwaitReply(Parsers(), ATCMD_PROBE, 0, IsAnyReply)), REPLY_OK);
    EXPECT_EQ(ResultKind(receiver.AwaitReply(Parsers(), ATCMD_PROBE, 0, IsAnyReply)), REPLY_TIMEOUT);
}

}  // namespace
