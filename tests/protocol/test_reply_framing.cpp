// Framing: where a reply ends, what one extraction cuts and parses, and what
// stays pending for the next one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/reply_framing.h"
#include "result_check.h"

namespace {

TEST(FindReplyEnd, Cases)
{
    const struct {
        std::string bytes;
        int end;  // offset of the result, -1 for null
    } cases[] = {
        {"", -1},
        {"+OK", -1},
        {"+OK\r", 3},
        {"+OK\r\n", 3},
        {"\n+OK\r", 1},
        {"\r", -1},
        {"\r\nO", -1},
        {"\rOK\r", 1},          // lone CR, enough bytes to tell
        {"\r\nOK", -1},         // framed, no closing CR yet
        {"\r\nOK\r", -1},       // the closing LF may still come
        {"\r\nOK\r\n", 6},
        {"\r\nOK\r\nxyz", 6},
        {"\r\nOK\rX", 1},        // not framed after all: the first CR is skipped
        {"\r\n\r\nOK\r\n", 4},  // an empty framed line
    };
    for (const auto& c : cases) {
        const char* s = c.bytes.data();
        const char* e = s + c.bytes.size();
        const char* end = FindReplyEnd(s, e);
        EXPECT_EQ(end == nullptr ? -1 : static_cast<int>(end - s), c.end) << '"' << c.bytes << '"';
    }
}

struct Step {
    ReplyKind kind;
    Payload payload;
    std::string pendingAfter;
};

struct StreamCase {
    const char* what;
    std::string stream;
    kx4xx_atcmd command;
    std::vector<Step> steps;  // one extraction each
};

TEST(ExtractReply, OneReplyPerCallTheRestStaysPending)
{
    const ParserTable table = BuildParserTable();
    const std::string longLine(300, 'x');
    const StreamCase cases[] = {
        {"empty", "", ATCMD_PROBE, {{REPLY_INCOMPLETE, {}, ""}}},
        {"line feed after +OK stays, then is dropped",
         "+OK\r\n",
         ATCMD_PROBE,
         {{REPLY_OK, {}, "\n"}, {REPLY_INCOMPLETE, {}, ""}}},
        {"empty framed line before framed OK", "\r\n\r\nOK\r\n", ATCMD_PROBE, {{REPLY_OK, {}, ""}}},
        {"framed OK without its end", "\r\nOK", ATCMD_PROBE, {{REPLY_INCOMPLETE, {}, "\r\nOK"}}},
        {"no carriage return yet", "+OK", ATCMD_PROBE, {{REPLY_INCOMPLETE, {}, "+OK"}}},
        {"echo, then OK", "AT\rOK\r", ATCMD_PROBE, {{REPLY_UNMATCHED, {}, "OK\r"}, {REPLY_OK, {}, ""}}},
        {"OK to start scan is consumed", "OK\r", ATCMD_START_SCAN, {{REPLY_UNMATCHED, {}, ""}}},
        {"two replies in one chunk",
         "+OK\r+ERROR\r",
         ATCMD_PROBE,
         {{REPLY_OK, {}, "+ERROR\r"}, {REPLY_ERROR, {}, ""}}},
        {"framed model is the text inside the frame",
         "\r\nZANTOR-KX400\r\n",
         ATCMD_GET_MODEL,
         {{REPLY_MODEL, TextPayload("ZANTOR-KX400"), ""}}},
        {"echoed and framed model query",
         "AT+MODEL?\r\r\nZANTOR-KX410\r\n",
         ATCMD_GET_MODEL,
         {{REPLY_UNMATCHED, {}, "\r\nZANTOR-KX410\r\n"}, {REPLY_MODEL, TextPayload("ZANTOR-KX410"), ""}}},
        {"late OK, then the model",
         "+OK\rZANTOR-KX420\r",
         ATCMD_GET_MODEL,
         {{REPLY_UNMATCHED, {}, "ZANTOR-KX420\r"}, {REPLY_MODEL, TextPayload("ZANTOR-KX420"), ""}}},
        {"scan report of a still scanning adapter, then the model",
         "+0A1B2C3D4E5F,-60,x\rZANTOR-KX400\r",
         ATCMD_GET_MODEL,
         {{REPLY_UNMATCHED, {}, "ZANTOR-KX400\r"}, {REPLY_MODEL, TextPayload("ZANTOR-KX400"), ""}}},
        {"framed reply takes a following CR",
         "\r\nOK\r\n\r+OK\r",
         ATCMD_PROBE,
         {{REPLY_OK, {}, "+OK\r"}, {REPLY_OK, {}, ""}}},
        {"lone CR before a reply", "\r+OK\r", ATCMD_PROBE, {{REPLY_OK, {}, ""}}},
        {"lone CR after a reply waits", "+OK\r\r", ATCMD_PROBE, {{REPLY_OK, {}, "\r"}}},
        {"CR alone waits for more", "\r", ATCMD_PROBE, {{REPLY_INCOMPLETE, {}, "\r"}}},
        {"line of 300 bytes without CR waits", longLine, ATCMD_PROBE, {{REPLY_INCOMPLETE, {}, longLine}}},
        {"line of 300 bytes is too long",
         longLine + "\r+OK\r",
         ATCMD_PROBE,
         {{REPLY_TOO_LONG, {}, "+OK\r"}, {REPLY_OK, {}, ""}}},
        {"scan reports one at a time",
         "+0A1B2C3D4E5F,-60,a\r+0A1B2C3D4E5F,-61,b\r",
         ATCMD_SCAN_REPORT,
         {{REPLY_SCAN_REPORT, ScanPayload(kAddr, -60, "a"), "+0A1B2C3D4E5F,-61,b\r"},
          {REPLY_SCAN_REPORT, ScanPayload(kAddr, -61, "b"), ""}}},
        {"reports consumed while stopping",
         "+0A1B2C3D4E5F,-60,a\r\n+STOPPED\r",
         ATCMD_STOP_SCAN,
         {{REPLY_UNMATCHED, {}, "\n+STOPPED\r"}, {REPLY_STOPPED, {}, ""}}},
        {"CR LF before a line ended by CR alone waits for the next byte",
         "\r\n+STOPPED\r",
         ATCMD_STOP_SCAN,
         {{REPLY_INCOMPLETE, {}, "\r\n+STOPPED\r"}}},
        {"one-character line is dropped with its CR kept",
         "5\r+OK\r",
         ATCMD_PROBE,
         {{REPLY_OK, {}, ""}}},
    };
    for (const StreamCase& c : cases) {
        std::vector<char> pending(c.stream.begin(), c.stream.end());
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const std::string context = std::string(c.what) + ", extraction " + std::to_string(i + 1);
            const ReplyResult result = ExtractReply(table, pending, c.command);
            CheckResult(result, c.steps[i].kind, c.steps[i].payload, context);
            EXPECT_EQ(std::string(pending.begin(), pending.end()), c.steps[i].pendingAfter) << context;
        }
    }
}

std::vector<ReplyKind> ExtractAll(const ParserTable& table, std::vector<char>& pending, kx4xx_atcmd command)
{
    std::vector<ReplyKind> kinds;
    for (;;) {
        const ReplyResult result = ExtractReply(table, pending, command);
        if (!result || ResultKind(result) == REPLY_INCOMPLETE) {
            return kinds;
        }
        kinds.push_back(ResultKind(result));
    }
}

// A stream fed one byte at a time, with an extraction after every byte as the
// engine's wait loop does, yields the same replies as the whole stream.
TEST(ExtractReply, ByteAtATimeYieldsTheSameReplies)
{
    const ParserTable table = BuildParserTable();
    const std::string stream = "AT\r\r\nOK\r\n+OK\r\n\r\n\r\n+ERROR\rERROR\r\r\n+READY\r\n+OK\r";
    const std::vector<ReplyKind> expected = {REPLY_UNMATCHED, REPLY_OK, REPLY_OK,       REPLY_ERROR,
                                             REPLY_ERROR,     REPLY_UNMATCHED, REPLY_OK};

    std::vector<char> whole(stream.begin(), stream.end());
    EXPECT_EQ(ExtractAll(table, whole, ATCMD_PROBE), expected);
    EXPECT_TRUE(whole.empty());

    std::vector<ReplyKind> seen;
    std::vector<char> pending;
    for (char byte : stream) {
        pending.push_back(byte);
        const ReplyResult result = ExtractReply(table, pending, ATCMD_PROBE);
        ASSERT_TRUE(result);
        if (ResultKind(result) != REPLY_INCOMPLETE) {
            seen.push_back(ResultKind(result));
        }
    }
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(pending.empty());
}

TEST(DispatchReply, WalksEntriesAndParsersInOrder)
{
    std::vector<std::string> calls;
    auto parser = [&calls](const char* name, ReplyKind kind) {
        return ReplyParser([&calls, name, kind](std::vector<char>&, kx4xx_atcmd) {
            calls.push_back(name);
            return MakeReplyResult(kind);
        });
    };
    const ParserTable table = {
        {ATCMD_PROBE, {parser("a", REPLY_UNMATCHED), parser("b", REPLY_UNMATCHED)}},
        {ATCMD_RESTART, {parser("other", REPLY_OK)}},
        {ATCMD_PROBE, {parser("c", REPLY_ERROR), parser("d", REPLY_OK)}},
    };
    CheckResult(DispatchReply(table, {'x', 'y', '\r'}, ATCMD_PROBE), REPLY_ERROR, {}, "first recognised wins");
    EXPECT_EQ(calls, (std::vector<std::string>{"a", "b", "c"}));

    calls.clear();
    CheckResult(DispatchReply(table, {'x', '\r'}, ATCMD_PROBE), REPLY_UNMATCHED, {}, "two bytes");
    CheckResult(DispatchReply(table, std::vector<char>(256, 'x'), ATCMD_PROBE), REPLY_TOO_LONG, {}, "256 bytes");
    EXPECT_TRUE(calls.empty()) << "no parser runs for too short or too long replies";

    CheckResult(DispatchReply(table, {'x', 'y', '\r'}, ATCMD_GET_INFO), REPLY_UNMATCHED, {}, "no entry");
}

TEST(DispatchReply, ParserWithoutResultEndsTheDispatch)
{
    bool laterCalled = false;
    const ParserTable table = {
        {ATCMD_PROBE,
         {[](std::vector<char>&, kx4xx_atcmd) { return ReplyResult(); },
          [&laterCalled](std::vector<char>&, kx4xx_atcmd) {
              laterCalled = true;
              return MakeReplyResult(REPLY_OK);
          }}},
    };
    EXPECT_FALSE(DispatchReply(table, {'+', 'O', 'K', '\r'}, ATCMD_PROBE));
    EXPECT_FALSE(laterCalled);

    std::vector<char> pending = {'+', 'O', 'K', '\r', 'x'};
    EXPECT_FALSE(ExtractReply(table, pending, ATCMD_PROBE));
    EXPECT_EQ(pending, std::vector<char>{'x'}) << "the reply is consumed all the same";
}

}  // namespace
