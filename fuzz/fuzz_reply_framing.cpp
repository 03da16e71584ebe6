// Fuzz target: the engine's framing loop. The first input byte picks the
// command kind (assigned or not); the rest is a series of chunks, each a
// length byte and that many bytes, appended to the pending bytes one chunk
// at a time. After each chunk one reply is extracted, as the engine does per
// wake-up; after the last, extraction repeats until nothing complete is left.
//
// Checked on every call: the result is well formed and of a kind the
// command's parsers (or the framing itself) can yield, bytes leave only from
// the front of pending, a result other than REPLY_INCOMPLETE consumes bytes,
// and an incomplete remainder stays as it is when extracted again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

#include "fuzz/reply_contract.h"
#include "protocol/reply_framing.h"

namespace {

constexpr uint32_t kCommandValues = 27;  // 0 to 26: every kind and the unassigned values around them

const ParserTable& Table()
{
    static const ParserTable table = BuildParserTable();
    return table;
}

std::set<ReplyKind> PossibleKinds(kx4xx_atcmd command)
{
    std::set<ReplyKind> kinds = {REPLY_UNMATCHED, REPLY_INCOMPLETE, REPLY_TOO_LONG};
    for (const ParserEntry& entry : Table()) {
        if (entry.command == command) {
            for (const ReplyParser& parser : entry.parsers) {
                kinds.insert(RecognisedKind(parser));
            }
        }
    }
    return kinds;
}

bool IsSuffixOf(const std::vector<char>& tail, const std::vector<char>& whole)
{
    return tail.size() <= whole.size() && std::equal(tail.begin(), tail.end(), whole.end() - tail.size());
}

// One extraction with its checks; the kind it gave.
ReplyKind ExtractChecked(std::vector<char>& pending, kx4xx_atcmd command, const std::set<ReplyKind>& possible)
{
    const std::vector<char> before = pending;
    const ReplyResult result = ExtractReply(Table(), pending, command);
    RequireWellFormed(result);
    const ReplyKind kind = ResultKind(result);
    Require(possible.count(kind) == 1, "a kind the command's parsers cannot yield");
    Require(IsSuffixOf(pending, before), "bytes taken from elsewhere than the front");
    Require(kind == REPLY_INCOMPLETE || pending.size() < before.size(), "a reply that consumed nothing");
    Require(kind != REPLY_INCOMPLETE || !before.empty() || pending.empty(), "bytes appeared");
    return kind;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const auto command = static_cast<kx4xx_atcmd>(data[0] % kCommandValues);
    const std::set<ReplyKind> possible = PossibleKinds(command);
    std::vector<char> pending;
    for (size_t at = 1; at < size;) {
        const size_t length = std::min<size_t>(data[at], size - at - 1);
        pending.insert(pending.end(), data + at + 1, data + at + 1 + length);
        at += 1 + length;
        ExtractChecked(pending, command, possible);
    }
    // Every call either consumes bytes or reports an incomplete rest, so the
    // drain ends within one call per pending byte.
    const size_t limit = pending.size() + 1;
    size_t calls = 0;
    while (ExtractChecked(pending, command, possible) != REPLY_INCOMPLETE) {
        Require(++calls <= limit, "extraction does not come to an end");
    }
    const std::vector<char> rest = pending;
    Require(ExtractChecked(pending, command, possible) == REPLY_INCOMPLETE && pending == rest,
            "an incomplete rest changed when extracted again");
    return 0;
}
