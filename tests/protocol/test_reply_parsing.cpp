// Reply parsing: one table of replies, each run through DispatchReply with
// the catalogue's parser table and, where it is a whole reply on the wire,
// through ExtractReply fed at once, in small pieces and one byte at a time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/reply_framing.h"
#include "protocol/reply_parsers.h"
#include "result_check.h"

namespace {

struct ParseCase {
    const char* what;
    std::string reply;
    kx4xx_atcmd command;
    ReplyKind kind;
    Payload payload;
    bool wholeOnWire;  // ExtractReply cuts exactly these bytes
};

const std::string kErr = "+ERROR\r";

std::vector<ParseCase> Cases()
{
    const std::string name63(63, 'n');
    const std::string name64(64, 'n');
    const std::string hex52(52, 'A');
    return {
        // Plain answers.
        {"+OK", "+OK\r", ATCMD_PROBE, REPLY_OK, NoPayload(), true},
        {"OK", "OK\r", ATCMD_PROBE, REPLY_OK, NoPayload(), true},
        {"framed OK", "\r\nOK\r\n", ATCMD_PROBE, REPLY_OK, NoPayload(), true},
        {"+ERROR", kErr, ATCMD_PROBE, REPLY_ERROR, NoPayload(), true},
        {"ERROR", "ERROR\r", ATCMD_SET_MANUF, REPLY_ERROR, NoPayload(), true},
        {"+OK without CR", "+OK", ATCMD_PROBE, REPLY_UNMATCHED, NoPayload(), false},
        {"echo", "AT\r", ATCMD_PROBE, REPLY_UNMATCHED, NoPayload(), true},
        {"+READY", "+READY\r", ATCMD_RESTART, REPLY_READY, NoPayload(), true},
        {"framed READY", "\r\n+READY\r\n", ATCMD_FACTORY_RESET, REPLY_READY, NoPayload(), true},
        {"restart has no error parser", kErr, ATCMD_RESTART, REPLY_UNMATCHED, NoPayload(), true},
        {"+SCANNING", "+SCANNING\r", ATCMD_START_SCAN, REPLY_SCANNING, NoPayload(), true},
        {"OK to start scan", "OK\r", ATCMD_START_SCAN, REPLY_UNMATCHED, NoPayload(), true},
        {"error to start scan", kErr, ATCMD_START_SCAN, REPLY_ERROR, NoPayload(), true},
        {"+SCANNING must be whole", "+SCANNING\r\r", ATCMD_START_SCAN, REPLY_UNMATCHED, NoPayload(), false},
        {"+STOPPED", "+STOPPED\r", ATCMD_STOP_SCAN, REPLY_STOPPED, NoPayload(), true},
        {"scan report while stopping", "+0A1B2C3D4E5F,-60,x\r", ATCMD_STOP_SCAN, REPLY_UNMATCHED, NoPayload(), true},
        {"OK to unassigned 8", "OK\r", static_cast<kx4xx_atcmd>(8), REPLY_UNMATCHED, NoPayload(), true},
        {"OK to unassigned 0", "+OK\r", static_cast<kx4xx_atcmd>(0), REPLY_UNMATCHED, NoPayload(), true},
        {"spare 18", "+OK\r", ATCMD_SPARE_18, REPLY_OK, NoPayload(), true},
        {"spare 20", kErr, ATCMD_SPARE_20, REPLY_ERROR, NoPayload(), true},
        {"two bytes never reach a parser", "5\r", ATCMD_GET_ADV_INTERVAL, REPLY_UNMATCHED, NoPayload(), false},

        // Texts.
        {"version", "v1.2.3\r", ATCMD_GET_VERSION, REPLY_VERSION, TextPayload("v1.2.3"), true},
        {"version needs lower-case v", "V1.2\r", ATCMD_GET_VERSION, REPLY_UNMATCHED, NoPayload(), true},
        {"framed version has an empty line", "\r\nv1.0\r\n", ATCMD_GET_VERSION, REPLY_UNMATCHED, NoPayload(), true},
        {"version cut to 63", "v" + std::string(99, '9') + "\r", ATCMD_GET_VERSION, REPLY_VERSION,
         TextPayload("v" + std::string(62, '9')), true},
        {"version of 255 bytes", "v" + std::string(253, '1') + "\r", ATCMD_GET_VERSION, REPLY_VERSION,
         TextPayload("v" + std::string(62, '1')), true},
        {"256 bytes are too long", "v" + std::string(254, '1') + "\r", ATCMD_GET_VERSION, REPLY_TOO_LONG,
         NoPayload(), true},
        {"model", "ZANTOR-KX400\r", ATCMD_GET_MODEL, REPLY_MODEL, TextPayload("ZANTOR-KX400"), true},
        {"framed model is the text inside the frame", "\r\nZANTOR-KX410\r\n", ATCMD_GET_MODEL, REPLY_MODEL,
         TextPayload("ZANTOR-KX410"), true},
        {"model cut to 63", std::string(70, 'M') + "\r", ATCMD_GET_MODEL, REPLY_MODEL,
         TextPayload(std::string(63, 'M')), true},
        // What comes before the model reply is no model text: the engine goes on waiting.
        {"scan report is no model text", "0A1B2C3D4E5F,-60,x\r", ATCMD_GET_MODEL, REPLY_UNMATCHED, NoPayload(), true},
        {"echoed query is no model text", "AT+MODEL?\r", ATCMD_GET_MODEL, REPLY_UNMATCHED, NoPayload(), true},
        {"late +OK is no model text", "+OK\r", ATCMD_GET_MODEL, REPLY_UNMATCHED, NoPayload(), true},
        {"late OK is no model text", "OK\r", ATCMD_GET_MODEL, REPLY_UNMATCHED, NoPayload(), true},
        {"late framed OK is no model text", "\r\nOK\r\n", ATCMD_GET_MODEL, REPLY_UNMATCHED, NoPayload(), true},
        {"late READY is no model text", "+READY\r", ATCMD_GET_MODEL, REPLY_UNMATCHED, NoPayload(), true},
        {"late framed READY is no model text", "\r\n+READY\r\n", ATCMD_GET_MODEL, REPLY_UNMATCHED, NoPayload(),
         true},
        {"SCANNING is no model text", "+SCANNING\r", ATCMD_GET_MODEL, REPLY_UNMATCHED, NoPayload(), true},
        {"STOPPED is no model text", "+STOPPED\r", ATCMD_GET_MODEL, REPLY_UNMATCHED, NoPayload(), true},
        {"empty line is no model text", "\r\n\r\n", ATCMD_GET_MODEL, REPLY_UNMATCHED, NoPayload(), false},
        // An error is the adapter refusing the query, as for every command with the error parser.
        {"model query refused", kErr, ATCMD_GET_MODEL, REPLY_ERROR, NoPayload(), true},
        {"model query refused, bare", "ERROR\r", ATCMD_GET_MODEL, REPLY_ERROR, NoPayload(), true},
        {"a model may contain a status word", "OK-KX400\r", ATCMD_GET_MODEL, REPLY_MODEL, TextPayload("OK-KX400"),
         true},
        {"model text is UTF-8 bytes", "\xEB\xAA\xA8\xEB\x8D\xB8\r", ATCMD_GET_MODEL, REPLY_MODEL,
         TextPayload("\xEB\xAA\xA8\xEB\x8D\xB8"), true},
        {"text", "hello world\r", ATCMD_GET_TEXT, REPLY_TEXT, TextPayload("hello world"), true},

        // On/off.
        {"ON", "ON\r", ATCMD_GET_ON_OFF, REPLY_ON_OFF, OnOffPayload(1), true},
        {"OFF", "OFF\r", ATCMD_GET_ON_OFF, REPLY_ON_OFF, OnOffPayload(0), true},
        {"on is case sensitive", "on\r", ATCMD_GET_ON_OFF, REPLY_UNMATCHED, NoPayload(), true},
        {"ONX", "ONX\r", ATCMD_GET_ON_OFF, REPLY_UNMATCHED, NoPayload(), true},
        {"on/off error", kErr, ATCMD_GET_ON_OFF, REPLY_ERROR, NoPayload(), true},

        // Advertising interval.
        {"interval", "500\r", ATCMD_GET_ADV_INTERVAL, REPLY_ADV_INTERVAL, AdvIntervalPayload(500), true},
        {"interval 2560", "2560\r", ATCMD_GET_ADV_INTERVAL, REPLY_ADV_INTERVAL, AdvIntervalPayload(2560), true},
        {"interval 65535", "65535\r", ATCMD_GET_ADV_INTERVAL, REPLY_ADV_INTERVAL, AdvIntervalPayload(65535), true},
        {"interval with leading zeros", "000500\r", ATCMD_GET_ADV_INTERVAL, REPLY_ADV_INTERVAL,
         AdvIntervalPayload(500), true},
        {"interval of many zeros", std::string(40, '0') + "2560\r", ATCMD_GET_ADV_INTERVAL, REPLY_ADV_INTERVAL,
         AdvIntervalPayload(2560), true},
        {"zero interval", "00000\r", ATCMD_GET_ADV_INTERVAL, REPLY_ADV_INTERVAL, AdvIntervalPayload(0), true},
        {"padded interval beyond 16 bits", "0065536\r", ATCMD_GET_ADV_INTERVAL, REPLY_UNMATCHED, NoPayload(), true},
        {"interval of 30 nines", std::string(30, '9') + "\r", ATCMD_GET_ADV_INTERVAL, REPLY_UNMATCHED, NoPayload(),
         true},
        {"interval beyond 16 bits", "65536\r", ATCMD_GET_ADV_INTERVAL, REPLY_UNMATCHED, NoPayload(), true},
        {"interval with hex letters", "1F4\r", ATCMD_GET_ADV_INTERVAL, REPLY_UNMATCHED, NoPayload(), true},
        {"negative interval", "-50\r", ATCMD_GET_ADV_INTERVAL, REPLY_UNMATCHED, NoPayload(), true},
        {"framed interval has an empty line", "\r\n500\r\n", ATCMD_GET_ADV_INTERVAL, REPLY_UNMATCHED, NoPayload(),
         true},
        {"interval error", kErr, ATCMD_GET_ADV_INTERVAL, REPLY_ERROR, NoPayload(), true},

        // Device information.
        {"info", "0A:1B:2C:3D:4E:5F,KX-Dev,aux,idle\r", ATCMD_GET_INFO, REPLY_INFO,
         InfoPayload(kAddr, "KX-Dev", "aux", "idle"), true},
        {"info address lower case with spaces", " 0a:1b:2c:3d:4e:5f\t,n,a,s\r", ATCMD_GET_INFO, REPLY_INFO,
         InfoPayload(kAddr, "n", "a", "s"), true},
        {"info separators are not checked", "0A-1B-2C-3D-4E-5F,n,a,s\r", ATCMD_GET_INFO, REPLY_INFO,
         InfoPayload(kAddr, "n", "a", "s"), true},
        {"info empty texts", "0A:1B:2C:3D:4E:5F,,,\r", ATCMD_GET_INFO, REPLY_INFO, InfoPayload(kAddr, "", "", ""),
         true},
        {"info texts of 63", "0A:1B:2C:3D:4E:5F," + name63 + "," + name63 + "," + name63 + "\r", ATCMD_GET_INFO,
         REPLY_INFO, InfoPayload(kAddr, name63, name63, name63), true},
        {"info name of 64", "0A:1B:2C:3D:4E:5F," + name64 + ",a,s\r", ATCMD_GET_INFO, REPLY_UNMATCHED, NoPayload(),
         true},
        {"info state of 64", "0A:1B:2C:3D:4E:5F,n,a," + name64 + "\r", ATCMD_GET_INFO, REPLY_UNMATCHED,
         NoPayload(), true},
        {"info address without separators", "0A1B2C3D4E5F,n,a,s\r", ATCMD_GET_INFO, REPLY_UNMATCHED, NoPayload(),
         true},
        {"info address with a bad digit", "0A:1B:2C:3D:4E:5G,n,a,s\r", ATCMD_GET_INFO, REPLY_UNMATCHED, NoPayload(),
         true},
        {"info missing state", "0A:1B:2C:3D:4E:5F,n,a\r", ATCMD_GET_INFO, REPLY_UNMATCHED, NoPayload(), true},
        {"info error", kErr, ATCMD_GET_INFO, REPLY_ERROR, NoPayload(), true},

        // Scan reports.
        {"scan report", "+0A1B2C3D4E5F,-60,Phone\r", ATCMD_SCAN_REPORT, REPLY_SCAN_REPORT,
         ScanPayload(kAddr, -60, "Phone"), true},
        {"scan report without plus, lower case", "0a1b2c3d4e5f,-100,\r", ATCMD_SCAN_REPORT, REPLY_SCAN_REPORT,
         ScanPayload(kAddr, -100, ""), true},
        {"scan report rssi keeps low 8 bits", "+0A1B2C3D4E5F,300,x\r", ATCMD_SCAN_REPORT, REPLY_SCAN_REPORT,
         ScanPayload(kAddr, 44, "x"), true},
        {"scan report rssi with leading zeros", "+0A1B2C3D4E5F,-0060,x\r", ATCMD_SCAN_REPORT, REPLY_SCAN_REPORT,
         ScanPayload(kAddr, -60, "x"), true},
        {"scan report name with commas", "+0A1B2C3D4E5F,-1,a,b\r", ATCMD_SCAN_REPORT, REPLY_SCAN_REPORT,
         ScanPayload(kAddr, -1, "a,b"), true},
        {"scan report name of 63", "+0A1B2C3D4E5F,-60," + name63 + "\r", ATCMD_SCAN_REPORT, REPLY_SCAN_REPORT,
         ScanPayload(kAddr, -60, name63), true},
        {"scan report name of 64", "+0A1B2C3D4E5F,-60," + name64 + "\r", ATCMD_SCAN_REPORT, REPLY_UNMATCHED,
         NoPayload(), true},
        {"scan report two plus signs", "++0A1B2C3D4E5F,-60,x\r", ATCMD_SCAN_REPORT, REPLY_UNMATCHED, NoPayload(),
         true},
        {"scan report short address", "+0A1B2C3D4E5,-60,x\r", ATCMD_SCAN_REPORT, REPLY_UNMATCHED, NoPayload(), true},
        {"scan report without name", "+0A1B2C3D4E5F,-60\r", ATCMD_SCAN_REPORT, REPLY_UNMATCHED, NoPayload(), true},
        {"scanning line while waiting for reports", "+SCANNING\r", ATCMD_SCAN_REPORT, REPLY_UNMATCHED, NoPayload(),
         true},

        // Slots.
        {"slot without tag", "+SLOT,3,0A1B2C3D4E5F\r", ATCMD_GET_SLOT, REPLY_SLOT, SlotPayload(3, kAddr, ""), true},
        {"slot with tag", "+SLOT,7,0a1b2c3d4e5f,tag\r", ATCMD_GET_SLOT, REPLY_SLOT, SlotPayload(7, kAddr, "tag"),
         true},
        {"slot tag of 8 bytes", "+SLOT,1,0A1B2C3D4E5F,\xED\x95\x9C\xEA\xB8\x80" "ab\r", ATCMD_GET_SLOT, REPLY_SLOT,
         SlotPayload(1, kAddr, "\xED\x95\x9C\xEA\xB8\x80" "ab"), true},
        {"slot empty tag", "+SLOT,2,0A1B2C3D4E5F,\r", ATCMD_GET_SLOT, REPLY_SLOT, SlotPayload(2, kAddr, ""), true},
        {"slot tag of 9 bytes", "+SLOT,3,0A1B2C3D4E5F,123456789\r", ATCMD_GET_SLOT, REPLY_UNMATCHED, NoPayload(),
         true},
        {"slot with leading zeros", "+SLOT,0003,0A1B2C3D4E5F\r", ATCMD_GET_SLOT, REPLY_SLOT,
         SlotPayload(3, kAddr, ""), true},
        {"slot 8", "+SLOT,8,0A1B2C3D4E5F\r", ATCMD_GET_SLOT, REPLY_UNMATCHED, NoPayload(), true},
        {"slot 259 is not slot 3", "+SLOT,259,0A1B2C3D4E5F\r", ATCMD_GET_SLOT, REPLY_UNMATCHED, NoPayload(), true},
        {"slot -1", "+SLOT,-1,0A1B2C3D4E5F\r", ATCMD_GET_SLOT, REPLY_UNMATCHED, NoPayload(), true},
        {"slot huge number", "+SLOT,99999999999999999999,0A1B2C3D4E5F\r", ATCMD_GET_SLOT, REPLY_UNMATCHED,
         NoPayload(), true},
        {"slot wrong head", "+SLOTS,3,0A1B2C3D4E5F\r", ATCMD_GET_SLOT, REPLY_UNMATCHED, NoPayload(), true},
        {"slot address with colons", "+SLOT,3,0A:1B:2C:3D:4E:5F\r", ATCMD_GET_SLOT, REPLY_UNMATCHED, NoPayload(),
         true},
        {"slot without address", "+SLOT,3\r", ATCMD_GET_SLOT, REPLY_UNMATCHED, NoPayload(), true},
        {"empty slot", kErr, ATCMD_GET_SLOT, REPLY_ERROR, NoPayload(), true},

        // Beacon.
        {"beacon", "+BEACON,0201061aFF\r", ATCMD_GET_BEACON, REPLY_BEACON, BeaconPayload("0201061aFF"), true},
        {"beacon empty", "+BEACON,\r", ATCMD_GET_BEACON, REPLY_BEACON, BeaconPayload(""), true},
        {"beacon of 52", "+BEACON," + hex52 + "\r", ATCMD_GET_BEACON, REPLY_BEACON, BeaconPayload(hex52), true},
        {"beacon of 53", "+BEACON," + hex52 + "A\r", ATCMD_GET_BEACON, REPLY_UNMATCHED, NoPayload(), true},
        {"beacon not hex", "+BEACON,0G\r", ATCMD_GET_BEACON, REPLY_UNMATCHED, NoPayload(), true},
        {"beacon wrong head", "+BEACONS,00\r", ATCMD_GET_BEACON, REPLY_UNMATCHED, NoPayload(), true},

        // UART options.
        {"uart on, even, two", "+UARTOPT,1,E,2\r", ATCMD_GET_UART_OPTIONS, REPLY_UART_OPTIONS,
         UartPayload('E', 2, 1), true},
        {"uart off, none, one", "+UARTOPT,0,N,1\r", ATCMD_GET_UART_OPTIONS, REPLY_UART_OPTIONS,
         UartPayload('N', 1, 0), true},
        {"uart odd", "+UARTOPT,0,O,2\r", ATCMD_GET_UART_OPTIONS, REPLY_UART_OPTIONS, UartPayload('O', 2, 0), true},
        {"uart with leading zeros", "+UARTOPT,01,E,002\r", ATCMD_GET_UART_OPTIONS, REPLY_UART_OPTIONS,
         UartPayload('E', 2, 1), true},
        {"uart flow 2", "+UARTOPT,2,E,2\r", ATCMD_GET_UART_OPTIONS, REPLY_UNMATCHED, NoPayload(), true},
        {"uart parity X", "+UARTOPT,1,X,2\r", ATCMD_GET_UART_OPTIONS, REPLY_UNMATCHED, NoPayload(), true},
        {"uart parity EE", "+UARTOPT,1,EE,2\r", ATCMD_GET_UART_OPTIONS, REPLY_UNMATCHED, NoPayload(), true},
        {"uart stop 3", "+UARTOPT,1,E,3\r", ATCMD_GET_UART_OPTIONS, REPLY_UNMATCHED, NoPayload(), true},
        {"uart stop 0", "+UARTOPT,1,E,0\r", ATCMD_GET_UART_OPTIONS, REPLY_UNMATCHED, NoPayload(), true},
        {"uart missing stop", "+UARTOPT,1,E\r", ATCMD_GET_UART_OPTIONS, REPLY_UNMATCHED, NoPayload(), true},
        {"uart error", kErr, ATCMD_GET_UART_OPTIONS, REPLY_ERROR, NoPayload(), true},
    };
}

std::vector<char> Bytes(const std::string& text) { return std::vector<char>(text.begin(), text.end()); }

// Feeds the reply in pieces of the given size, extracting after each piece as
// the engine does on each wake-up, until a result other than incomplete comes.
ReplyResult ExtractInPieces(const ParserTable& table, const std::string& reply, kx4xx_atcmd command, size_t piece,
                            std::vector<char>& pending)
{
    for (size_t at = 0; at < reply.size(); at += piece) {
        const std::string chunk = reply.substr(at, piece);
        pending.insert(pending.end(), chunk.begin(), chunk.end());
        ReplyResult result = ExtractReply(table, pending, command);
        if (!result || ResultKind(result) != REPLY_INCOMPLETE) {
            return result;
        }
    }
    return MakeReplyResult(REPLY_INCOMPLETE);
}

TEST(ReplyParsing, DispatchGivesKindAndPayload)
{
    const ParserTable table = BuildParserTable();
    for (const ParseCase& c : Cases()) {
        const ReplyResult result = DispatchReply(table, Bytes(c.reply), c.command);
        CheckResult(result, c.kind, c.payload, c.what);
    }
}

TEST(ReplyParsing, ExtractionInAnySizeOfPiecesGivesTheSameResult)
{
    const ParserTable table = BuildParserTable();
    for (const ParseCase& c : Cases()) {
        if (!c.wholeOnWire) {
            continue;
        }
        for (size_t piece : {c.reply.size(), size_t{1}, size_t{2}, size_t{3}, size_t{7}}) {
            std::vector<char> pending;
            const ReplyResult result = ExtractInPieces(table, c.reply, c.command, piece, pending);
            const std::string context = std::string(c.what) + ", pieces of " + std::to_string(piece);
            CheckResult(result, c.kind, c.payload, context);
            EXPECT_TRUE(pending.empty()) << context;
        }
    }
}

TEST(ReplyParsing, ParsersLeaveTheReplyUnchanged)
{
    const ParserTable table = BuildParserTable();
    for (const ParseCase& c : Cases()) {
        for (const ParserEntry& entry : table) {
            for (const ReplyParser& parser : entry.parsers) {
                std::vector<char> reply = Bytes(c.reply);
                parser(reply, entry.command);
                EXPECT_EQ(std::string(reply.begin(), reply.end()), c.reply) << c.what;
            }
        }
    }
}

// The parsers read only their own bytes: a reply cut off anywhere, with no
// terminator after it, gives a valid result and never reads past its end
// (the address sanitizer watches the reads).
TEST(ReplyParsing, EveryParserHandlesEveryPrefixOfEveryReply)
{
    const ParserTable table = BuildParserTable();
    for (const ParseCase& c : Cases()) {
        for (size_t length = 0; length <= c.reply.size(); ++length) {
            for (const ParserEntry& entry : table) {
                for (const ReplyParser& parser : entry.parsers) {
                    std::vector<char> reply(c.reply.begin(), c.reply.begin() + static_cast<ptrdiff_t>(length));
                    reply.shrink_to_fit();
                    const ReplyResult result = parser(reply, entry.command);
                    ASSERT_TRUE(result) << c.what;
                    const ReplyKind kind = ResultKind(result);
                    EXPECT_EQ(ResultPayloadLength(result), ResultPayloadSize(kind)) << c.what;
                }
            }
        }
    }
}

}  // namespace
