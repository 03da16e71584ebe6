// What every reply result must satisfy, whatever bytes produced it, and
// which kind each parser of the parser table yields when it recognises a
// reply. Shared by the fuzz targets; a broken contract aborts the run so
// that libFuzzer records the input.
#pragma once

#include <vector>

#include "protocol/reply_parsers.h"

using ParserFunction = ReplyResult (*)(std::vector<char>& reply, kx4xx_atcmd command);

struct ParserContract {
    ParserFunction parse;
    ReplyKind recognised;  // the one kind besides REPLY_UNMATCHED it may yield
    const char* name;
};

// The fifteen parsers with their kinds.
const std::vector<ParserContract>& ParserContracts();

// The kind a parser of the table yields on a recognised reply; aborts for a
// parser that is not among the fifteen.
ReplyKind RecognisedKind(const ReplyParser& parser);

// Aborts with the message unless condition holds.
void Require(bool condition, const char* what);

// A non-empty result of a known kind whose header, payload fields and
// trailing bytes are consistent: the header's payload length is the kind's,
// every byte after the payload is zero, text fields are zero-terminated
// within their bounds, and record fields hold only values the parsers accept.
void RequireWellFormed(const ReplyResult& result);
