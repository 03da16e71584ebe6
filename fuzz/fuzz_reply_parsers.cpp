// Fuzz target: every reply parser on the same arbitrary bytes, as one reply.
//
// Checked for each parser: a well-formed result of REPLY_UNMATCHED or the
// parser's own kind, and the reply bytes left as they were. DispatchReply is
// run too, for every command kind, with the same checks on its result.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/reply_contract.h"
#include "protocol/reply_framing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<char> original(data, data + size);
    for (const ParserContract& contract : ParserContracts()) {
        std::vector<char> reply = original;
        const ReplyResult result = contract.parse(reply, ATCMD_PROBE);
        RequireWellFormed(result);
        const ReplyKind kind = ResultKind(result);
        Require(kind == REPLY_UNMATCHED || kind == contract.recognised, contract.name);
        Require(reply == original, "a parser changed the reply bytes");
    }
    static const ParserTable table = BuildParserTable();
    for (const ParserEntry& entry : table) {
        const ReplyResult result = DispatchReply(table, original, entry.command);
        RequireWellFormed(result);
        const ReplyKind kind = ResultKind(result);
        bool possible = kind == REPLY_UNMATCHED || kind == REPLY_TOO_LONG;
        for (const ReplyParser& parser : entry.parsers) {
            possible = possible || kind == RecognisedKind(parser);
        }
        Require(possible, "DispatchReply gave a kind the command's parsers cannot yield");
        Require(kind != REPLY_TOO_LONG || size > kMaxReplyLength, "a short reply called too long");
    }
    return 0;
}
