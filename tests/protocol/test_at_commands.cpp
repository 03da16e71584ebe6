// Command texts, their formatting into the 128-byte buffer, time limits, the
// parser table's order and the result buffer sizes.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "protocol/at_commands.h"
#include "protocol/reply_framing.h"
#include "protocol/reply_parsers.h"
#include "text/text_convert.h"

namespace {

// Everything past the text is zero, up to the end of the buffer.
void ExpectCommand(const AtCommand& command, const std::string& expected)
{
    EXPECT_EQ(std::string(command.View()), expected);
    EXPECT_EQ(command.length, expected.size());
    for (size_t i = command.length; i < sizeof(command.text); ++i) {
        ASSERT_EQ(command.text[i], '\0') << expected << ": byte " << i;
    }
}

TEST(AtCommands, FormattedTexts)
{
    const BdAddr addr{{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}};
    const struct {
        AtCommand command;
        const char* text;
    } cases[] = {
        {FormatSetUartOptions(1, 'E', 2), "AT+UARTOPT=1,E,2\r"},
        {FormatSetUartOptions(0, 'N', 1), "AT+UARTOPT=0,N,1\r"},
        {FormatSetSlot(3, BdAddrToHex(addr)), "AT+SETSLOT=3,0A1B2C3D4E5F\r"},
        {FormatSetSlotWithTag(7, BdAddrToHex(addr), "\xED\x95\x9C" "ab"), "AT+SETSLOT=7,0A1B2C3D4E5F,\xED\x95\x9C" "ab\r"},
        {FormatDeleteSlot(1), "AT+DELSLOT=1\r"},
        {FormatGetSlot(7), "AT+GETSLOT=7\r"},
        {FormatSetAdvInterval(2560), "AT+ADVINTERVAL=2560\r"},
        {FormatSetManuf("KX-Dev"), "AT+MANUF=KX-Dev\r"},
        {FormatSetManuf(""), "AT+MANUF=\r"},
        {FormatScanFilterOn("abcdefgh"), "AT+SF=ON,abcdefgh\r"},
        // Arguments are data, never formats.
        {FormatSetManuf("%s%n%x"), "AT+MANUF=%s%n%x\r"},
        // %s stops at the first zero byte of an argument.
        {FormatScanFilterOn(std::string("ab\0cd", 5)), "AT+SF=ON,ab\r"},
    };
    for (const auto& c : cases) {
        ExpectCommand(c.command, c.text);
    }
}

TEST(AtCommands, LongCommandsAreCutAt126Characters)
{
    const std::string full = "AT+MANUF=" + std::string(200, 'n') + "\r";
    ExpectCommand(FormatSetManuf(std::string(200, 'n')), full.substr(0, 126));

    // 126 characters exactly fit; one more is cut.
    const std::string fits(126 - std::strlen("AT+MANUF=\r"), 'n');
    ExpectCommand(FormatSetManuf(fits), "AT+MANUF=" + fits + "\r");
    ExpectCommand(FormatSetManuf(fits + "n"), "AT+MANUF=" + fits + "n");
}

TEST(AtCommands, FixedTextsAreAsciiWithOneClosingCarriageReturn)
{
    for (std::string_view text : {kAtProbe, kAtRestart, kAtFactoryReset, kAtScanFilterOff, kAtStartScan, kAtStopScan,
                                  kAtGetVersion, kAtGetModel, kAtGetInfo, kAtGetAdvInterval, kAtGetUartOptions}) {
        const std::string t(text);
        EXPECT_EQ(t.compare(0, 2, "AT"), 0) << t;
        EXPECT_EQ(t.find('\r'), t.size() - 1) << t;
        EXPECT_EQ(t.find('\n'), std::string::npos) << t;
    }
    EXPECT_EQ(kAtProbe, "AT\r");
    EXPECT_EQ(kAtGetModel, "AT+MODEL?\r");
}

TEST(AtCommands, TimeLimits)
{
    for (kx4xx_atcmd command : {ATCMD_RESTART, ATCMD_FACTORY_RESET, ATCMD_STOP_SCAN}) {
        EXPECT_EQ(CommandTimeLimit(command), 2000u) << command;
    }
    for (kx4xx_atcmd command : {ATCMD_PROBE, ATCMD_START_SCAN, ATCMD_SET_SLOT, ATCMD_GET_MODEL, ATCMD_GET_INFO,
                                ATCMD_SET_UART_OPTIONS}) {
        EXPECT_EQ(CommandTimeLimit(command), 1200u) << command;
    }
}

TEST(AtCommands, ModelQueryTimeLimitFollowsTheLineRate)
{
    const struct {
        unsigned baud;
        unsigned limit;
    } cases[] = {
        {4800, 266}, {1200, 1066}, {300, 4266}, {10, 128000}, {9599, 133},
        {9600, 1200}, {115200, 1200}, {0, 1200}, {1, 1200}, {9, 1200},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ModelQueryTimeLimit(c.baud), c.limit) << c.baud << " baud";
    }
}

TEST(ParserTable, EntriesInCatalogueOrder)
{
    const kx4xx_atcmd order[] = {
        ATCMD_PROBE,           ATCMD_RESTART,          ATCMD_FACTORY_RESET,   ATCMD_SET_SCAN_FILTER,
        ATCMD_START_SCAN,      ATCMD_STOP_SCAN,        ATCMD_GET_VERSION,     ATCMD_SCAN_REPORT,
        ATCMD_SET_MANUF,       ATCMD_GET_TEXT,         ATCMD_SET_SLOT,        ATCMD_DELETE_SLOT,
        ATCMD_GET_SLOT,        ATCMD_GET_ON_OFF,       ATCMD_SPARE_18,        ATCMD_GET_BEACON,
        ATCMD_SPARE_20,        ATCMD_GET_MODEL,        ATCMD_GET_INFO,        ATCMD_GET_ADV_INTERVAL,
        ATCMD_SET_ADV_INTERVAL, ATCMD_GET_UART_OPTIONS, ATCMD_SET_UART_OPTIONS,
    };
    const ParserTable table = BuildParserTable();
    ASSERT_EQ(table.size(), std::size(order));
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].command, order[i]) << "entry " << i;
    }
}

// What each command makes of the plain answers: which commands accept an OK,
// which know the error form, and that the unassigned values know nothing.
TEST(ParserTable, PlainAnswersPerCommand)
{
    const ParserTable table = BuildParserTable();
    auto kindOf = [&table](const char* reply, kx4xx_atcmd command) {
        const ReplyResult result = DispatchReply(table, std::vector<char>(reply, reply + std::strlen(reply)), command);
        return ResultKind(result);
    };
    const struct {
        kx4xx_atcmd command;
        ReplyKind ok;
        ReplyKind error;
        ReplyKind ready;
    } cases[] = {
        {ATCMD_PROBE, REPLY_OK, REPLY_ERROR, REPLY_UNMATCHED},
        {ATCMD_RESTART, REPLY_UNMATCHED, REPLY_UNMATCHED, REPLY_READY},
        {ATCMD_FACTORY_RESET, REPLY_UNMATCHED, REPLY_UNMATCHED, REPLY_READY},
        {ATCMD_SET_SCAN_FILTER, REPLY_OK, REPLY_ERROR, REPLY_UNMATCHED},
        {ATCMD_START_SCAN, REPLY_UNMATCHED, REPLY_ERROR, REPLY_UNMATCHED},
        {ATCMD_STOP_SCAN, REPLY_UNMATCHED, REPLY_UNMATCHED, REPLY_UNMATCHED},
        {ATCMD_GET_VERSION, REPLY_UNMATCHED, REPLY_UNMATCHED, REPLY_UNMATCHED},
        {ATCMD_SCAN_REPORT, REPLY_UNMATCHED, REPLY_UNMATCHED, REPLY_UNMATCHED},
        {ATCMD_SET_MANUF, REPLY_OK, REPLY_ERROR, REPLY_UNMATCHED},
        {ATCMD_GET_TEXT, REPLY_TEXT, REPLY_TEXT, REPLY_TEXT},
        {ATCMD_SET_SLOT, REPLY_OK, REPLY_ERROR, REPLY_UNMATCHED},
        {ATCMD_DELETE_SLOT, REPLY_OK, REPLY_ERROR, REPLY_UNMATCHED},
        {ATCMD_GET_SLOT, REPLY_UNMATCHED, REPLY_ERROR, REPLY_UNMATCHED},
        {ATCMD_GET_ON_OFF, REPLY_UNMATCHED, REPLY_ERROR, REPLY_UNMATCHED},
        {ATCMD_SPARE_18, REPLY_OK, REPLY_ERROR, REPLY_UNMATCHED},
        {ATCMD_GET_BEACON, REPLY_UNMATCHED, REPLY_ERROR, REPLY_UNMATCHED},
        {ATCMD_SPARE_20, REPLY_OK, REPLY_ERROR, REPLY_UNMATCHED},
        // A status line is no model text; an error is the query refused.
        {ATCMD_GET_MODEL, REPLY_UNMATCHED, REPLY_ERROR, REPLY_UNMATCHED},
        {ATCMD_GET_INFO, REPLY_UNMATCHED, REPLY_ERROR, REPLY_UNMATCHED},
        {ATCMD_GET_ADV_INTERVAL, REPLY_UNMATCHED, REPLY_ERROR, REPLY_UNMATCHED},
        {ATCMD_SET_ADV_INTERVAL, REPLY_OK, REPLY_ERROR, REPLY_UNMATCHED},
        {ATCMD_GET_UART_OPTIONS, REPLY_UNMATCHED, REPLY_ERROR, REPLY_UNMATCHED},
        {ATCMD_SET_UART_OPTIONS, REPLY_OK, REPLY_ERROR, REPLY_UNMATCHED},
        {static_cast<kx4xx_atcmd>(0), REPLY_UNMATCHED, REPLY_UNMATCHED, REPLY_UNMATCHED},
        {static_cast<kx4xx_atcmd>(1), REPLY_UNMATCHED, REPLY_UNMATCHED, REPLY_UNMATCHED},
        {static_cast<kx4xx_atcmd>(8), REPLY_UNMATCHED, REPLY_UNMATCHED, REPLY_UNMATCHED},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kindOf("+OK\r", c.command), c.ok) << "command " << c.command;
        EXPECT_EQ(kindOf("+ERROR\r", c.command), c.error) << "command " << c.command;
        EXPECT_EQ(kindOf("+READY\r", c.command), c.ready) << "command " << c.command;
    }
}

TEST(ReplyResult, SizesAndHeaderPerKind)
{
    const struct {
        ReplyKind kind;
        size_t size;
        uint16_t payloadLength;
    } cases[] = {
        {REPLY_OK, 8, 0},           {REPLY_TIMEOUT, 8, 0},      {REPLY_TOO_LONG, 8, 0},
        {REPLY_VERSION, 72, 64},    {REPLY_TEXT, 72, 64},       {REPLY_MODEL, 72, 64},
        {REPLY_INFO, 206, 198},     {REPLY_SCAN_REPORT, 79, 71}, {REPLY_SLOT, 79, 71},
        {REPLY_ON_OFF, 9, 1},       {REPLY_BEACON, 61, 53},     {REPLY_ADV_INTERVAL, 10, 2},
        {REPLY_UART_OPTIONS, 11, 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResultSize(c.kind), c.size) << c.kind;
        EXPECT_EQ(ResultPayloadSize(c.kind), c.payloadLength) << c.kind;
        const ReplyResult result = MakeReplyResult(c.kind);
        EXPECT_EQ(ResultKind(result), c.kind);
        EXPECT_EQ(ResultPayloadLength(result), c.payloadLength) << c.kind;
        for (size_t i = kResultHeaderSize; i < c.size; ++i) {
            ASSERT_EQ(result[i], 0) << c.kind << ": byte " << i;
        }
    }
}

TEST(ReplyResult, MisuseThrows)
{
    EXPECT_THROW(MakeReplyResult(REPLY_TEXT, 8, 64), std::invalid_argument);
    EXPECT_THROW(MakeReplyResult(REPLY_OK, 5, 0), std::invalid_argument);
    EXPECT_THROW(ResultKind(ReplyResult()), std::invalid_argument);
    EXPECT_THROW(ResultPayloadLength(ReplyResult()), std::invalid_argument);
}

}  // namespace
