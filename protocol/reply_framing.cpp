// Cutting replies off the pending bytes and dispatching them to the parsers
// registered for the current command.
#include "protocol/reply_framing.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// A framed reply needs at least "\r\n", one byte and its closing CR.
constexpr ptrdiff_t kMinFramedLength = 4;

}  // namespace

const char* FindReplyEnd(const char* s, const char* e)
{
    if (s == e) {
        return nullptr;
    }
    if (*s == kCr) {
        if (e - s < kMinFramedLength) {
            return nullptr;
        }
        if (s[1] != kLf) {
            return s + 1;  // a lone carriage return is skipped
        }
        const char* p = std::find(s + 2, e, kCr);
        if (p == e || p + 1 == e) {
            return nullptr;
        }
        return p[1] == kLf ? p + 2 : s + 1;
    }
    if (*s == kLf) {
        return s + 1;
    }
    const char* p = std::find(s, e, kCr);
    return p == e ? nullptr : p;
}

ReplyResult ExtractReply(const ParserTable& table, std::vector<char>& pending, kx4xx_atcmd command)
{
    if (pending.empty()) {
        return MakeReplyResult(REPLY_INCOMPLETE);
    }
    const char* const begin = pending.data();
    const char* const end = begin + pending.size();
    const char* p = begin;
    ReplyResult result;
    for (;;) {
        const char* q = FindReplyEnd(p, end);
        if (q == nullptr) {
            result = MakeReplyResult(REPLY_INCOMPLETE);
            break;
        }
        if (q == p + 1) {
            p = q;  // a single separator byte is dropped
            continue;
        }
        if (q - p >= 4 && std::memcmp(p, "\r\n\r\n", 4) == 0) {
            p += 2;  // an empty framed line is dropped
            continue;
        }
        // The reply takes in its terminating CR; after a framed reply, a CR
        // that immediately follows it is taken in as well.
        if (q != end && *q == kCr) {
            ++q;
        }
        result = DispatchReply(table, std::vector<char>(p, q), command);
        p = q;
        break;
    }
    pending.erase(pending.begin(), pending.begin() + (p - begin));
    return result;
}

ReplyResult DispatchReply(const ParserTable& table, std::vector<char> reply, kx4xx_atcmd command)
{
    constexpr size_t kMinParsedLength = 3;
    if (reply.size() > kMaxReplyLength) {
        return MakeReplyResult(REPLY_TOO_LONG);
    }
    if (reply.size() < kMinParsedLength) {
        return MakeReplyResult(REPLY_UNMATCHED);
    }
    for (const ParserEntry& entry : table) {
        if (entry.command != command) {
            continue;
        }
        for (const ReplyParser& parser : entry.parsers) {
            ReplyResult result = parser(reply, command);
            if (!result || ResultKind(result) != REPLY_UNMATCHED) {
                return result;
            }
        }
    }
    return MakeReplyResult(REPLY_UNMATCHED);
}
