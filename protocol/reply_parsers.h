// The reply parsers and the parser table of the command catalogue.
//
// Each parser recognises one reply form and turns it into a ReplyResult, or
// yields REPLY_UNMATCHED. Parsers are pure: they read only the reply bytes and
// never look at the command value, which they take for the table's uniformity.
#pragma once

#include <functional>
#include <vector>

#include "protocol/kx4xx_atcmd.h"
#include "protocol/reply_result.h"

using ReplyParser = std::function<ReplyResult(std::vector<char>& reply, kx4xx_atcmd command)>;

struct ParserEntry {
    kx4xx_atcmd command;
    std::vector<ReplyParser> parsers;
};

using ParserTable = std::vector<ParserEntry>;

// The parser table in catalogue (registration) order.
ParserTable BuildParserTable();

ReplyResult ParseOk(std::vector<char>& reply, kx4xx_atcmd command);
ReplyResult ParseError(std::vector<char>& reply, kx4xx_atcmd command);
ReplyResult ParseReady(std::vector<char>& reply, kx4xx_atcmd command);
ReplyResult ParseScanning(std::vector<char>& reply, kx4xx_atcmd command);
ReplyResult ParseStopped(std::vector<char>& reply, kx4xx_atcmd command);
ReplyResult ParseScanReport(std::vector<char>& reply, kx4xx_atcmd command);
ReplyResult ParseVersion(std::vector<char>& reply, kx4xx_atcmd command);
ReplyResult ParseText(std::vector<char>& reply, kx4xx_atcmd command);
ReplyResult ParseSlot(std::vector<char>& reply, kx4xx_atcmd command);
ReplyResult ParseModel(std::vector<char>& reply, kx4xx_atcmd command);
ReplyResult ParseInfo(std::vector<char>& reply, kx4xx_atcmd command);
ReplyResult ParseOnOff(std::vector<char>& reply, kx4xx_atcmd command);
ReplyResult ParseBeacon(std::vector<char>& reply, kx4xx_atcmd command);
ReplyResult ParseUartOptions(std::vector<char>& reply, kx4xx_atcmd command);
ReplyResult ParseAdvInterval(std::vector<char>& reply, kx4xx_atcmd command);
