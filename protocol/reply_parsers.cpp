// One parser per reply form. Each reads only the reply's own bytes (the
// reply is not zero-terminated), copies texts with explicit bounds and
// yields REPLY_UNMATCHED for anything it does not recognise.
#include "protocol/reply_parsers.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "text/text_convert.h"

namespace {

constexpr char kCr = '\r';

// A run of reply bytes.
struct Field {
    const char* begin;
    const char* end;

    size_t Size() const { return static_cast<size_t>(end - begin); }
    std::string Text() const { return std::string(begin, end); }
    bool Equals(const char* text) const { return Size() == std::strlen(text) && std::equal(begin, end, text); }
};

// Splits a reply into tokens: each token runs from just after the previous
// separator up to the next given separator, never past the reply's end.
class Tokenizer {
public:
    explicit Tokenizer(const std::vector<char>& reply) : pos(reply.data()), end(reply.data() + reply.size()) {}

    bool Next(char separator, Field& token)
    {
        const char* found = std::find(pos, end, separator);
        if (found == end) {
            return false;
        }
        token = Field{pos, found};
        pos = found + 1;
        return true;
    }

    bool HasAhead(char separator) const { return std::find(pos, end, separator) != end; }

private:
    const char* pos;
    const char* end;
};

// The reply up to, not including, its first carriage return.
bool FindLine(const std::vector<char>& reply, Field& line)
{
    return Tokenizer(reply).Next(kCr, line);
}

bool StartsWith(const std::vector<char>& reply, const char* form)
{
    const size_t length = std::strlen(form);
    return reply.size() >= length && std::equal(form, form + length, reply.begin());
}

bool IsExactly(const std::vector<char>& reply, const char* form)
{
    const size_t length = std::strlen(form);
    return reply.size() == length && std::equal(form, form + length, reply.begin());
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal token read as strtoll reads it (leading space, sign, digits up to
// the first other byte). long long is 64-bit on every target, so an
// out-of-range token saturates the same way everywhere.
long long ReadDecimal(const Field& token)
{
    const std::string text = token.Text();
    return std::strtoll(text.c_str(), nullptr, 10);
}

ReplyResult Unmatched() { return MakeReplyResult(REPLY_UNMATCHED); }

ReplyResult Plain(bool matched, ReplyKind kind) { return matched ? MakeReplyResult(kind) : Unmatched(); }

// Copies at most maxLength bytes of field to dest; the destination was zeroed.
void CopyText(const Field& field, size_t maxLength, uint8_t* dest)
{
    std::copy_n(field.begin, std::min(field.Size(), maxLength), dest);
}

// The first min(length, 63) characters of the line.
ReplyResult LineText(const std::vector<char>& reply, ReplyKind kind)
{
    Field line{};
    if (!FindLine(reply, line)) {
        return Unmatched();
    }
    ReplyResult result = MakeReplyResult(kind);
    CopyText(line, kReplyTextSize - 1, ResultPayload(result));
    return result;
}

template <typename Record>
void StoreRecord(ReplyResult& result, const Record& record)
{
    std::memcpy(ResultPayload(result), &record, sizeof(record));
}

// The six address pairs of a 17-character info address such as
// "0A:1B:2C:3D:4E:5F"; the characters between the pairs are not checked.
bool ReadSeparatedAddress(const std::string& text, BdAddr& address)
{
    constexpr size_t kSeparatedLength = 17;
    if (text.size() != kSeparatedLength) {
        return false;
    }
    for (size_t i = 0; i < sizeof(address.bytes); ++i) {
        if (!HexPairToByte(text[3 * i], text[3 * i + 1], address.bytes[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

ReplyResult ParseOk(std::vector<char>& reply, kx4xx_atcmd)
{
    return Plain(StartsWith(reply, "+OK\r") || StartsWith(reply, "OK\r") || StartsWith(reply, "\r\nOK\r\n"), REPLY_OK);
}

ReplyResult ParseError(std::vector<char>& reply, kx4xx_atcmd)
{
    return Plain(StartsWith(reply, "+ERROR\r") || StartsWith(reply, "ERROR\r"), REPLY_ERROR);
}

ReplyResult ParseReady(std::vector<char>& reply, kx4xx_atcmd)
{
    return Plain(StartsWith(reply, "+READY\r") || StartsWith(reply, "\r\n+READY\r\n"), REPLY_READY);
}

ReplyResult ParseScanning(std::vector<char>& reply, kx4xx_atcmd)
{
    return Plain(IsExactly(reply, "+SCANNING\r"), REPLY_SCANNING);
}

ReplyResult ParseStopped(std::vector<char>& reply, kx4xx_atcmd)
{
    return Plain(IsExactly(reply, "+STOPPED\r"), REPLY_STOPPED);
}

// ["+"] address "," rssi "," name CR
ReplyResult ParseScanReport(std::vector<char>& reply, kx4xx_atcmd)
{
    Tokenizer tokens(reply);
    Field addressToken{};
    Field rssiToken{};
    Field nameToken{};
    if (!tokens.Next(',', addressToken) || !tokens.Next(',', rssiToken) || !tokens.Next(kCr, nameToken)) {
        return Unmatched();
    }
    std::string addressText = addressToken.Text();
    if (!addressText.empty() && addressText[0] == '+') {
        addressText.erase(0, 1);
    }
    ScanReport report{};
    if (!HexToBdAddr(addressText, report.address) || nameToken.Size() >= kReplyTextSize) {
        return Unmatched();
    }
    report.rssi = static_cast<int8_t>(static_cast<uint8_t>(ReadDecimal(rssiToken) & 0xFF));
    CopyText(nameToken, kReplyTextSize - 1, reinterpret_cast<uint8_t*>(report.name));
    ReplyResult result = MakeReplyResult(REPLY_SCAN_REPORT);
    StoreRecord(result, report);
    return result;
}

ReplyResult ParseVersion(std::vector<char>& reply, kx4xx_atcmd)
{
    Field line{};
    if (!FindLine(reply, line) || line.Size() == 0 || line.begin[0] != 'v') {
        return Unmatched();
    }
    return LineText(reply, REPLY_VERSION);
}

ReplyResult ParseText(std::vector<char>& reply, kx4xx_atcmd)
{
    return LineText(reply, REPLY_TEXT);
}

// "+SLOT" "," slot "," address ["," tag] CR
ReplyResult ParseSlot(std::vector<char>& reply, kx4xx_atcmd)
{
    constexpr size_t kMaxTagLength = 8;
    constexpr long long kMaxSlot = 7;
    Tokenizer tokens(reply);
    Field head{};
    Field slotToken{};
    if (!tokens.Next(',', head) || !head.Equals("+SLOT") || !tokens.Next(',', slotToken)) {
        return Unmatched();
    }
    // The whole number must be a slot; a larger one is not folded onto 0..7.
    const long long slot = ReadDecimal(slotToken);
    if (slot < 0 || slot > kMaxSlot) {
        return Unmatched();
    }
    const bool hasTag = tokens.HasAhead(',');
    Field addressToken{};
    Field tagToken{};
    if (!tokens.Next(hasTag ? ',' : kCr, addressToken) || (hasTag && !tokens.Next(kCr, tagToken))) {
        return Unmatched();
    }
    SlotRecord record{};
    record.slot = static_cast<uint8_t>(slot);
    if (!HexToBdAddr(addressToken.Text(), record.address) || tagToken.Size() > kMaxTagLength) {
        return Unmatched();
    }
    CopyText(tagToken, kMaxTagLength, reinterpret_cast<uint8_t*>(record.tag));
    ReplyResult result = MakeReplyResult(REPLY_SLOT);
    StoreRecord(result, record);
    return result;
}

// The model text: the line, or for a framed reply the text inside the frame.
// What cannot be a model is refused so that the engine goes on waiting for
// the model reply: an empty line, an echoed command ("AT..."), a status
// reply that came late for an earlier command, and a scan report from an
// adapter still scanning from an earlier session. Each would make a
// supported adapter look unsupported.
ReplyResult ParseModel(std::vector<char>& reply, kx4xx_atcmd command)
{
    static const char* const kStatusLines[] = {"OK",       "+OK",       "ERROR",    "+ERROR",  "READY",
                                               "+READY",   "SCANNING",  "+SCANNING", "STOPPED", "+STOPPED"};
    if (ResultKind(ParseScanReport(reply, command)) == REPLY_SCAN_REPORT) {
        return Unmatched();
    }
    const bool framed = StartsWith(reply, "\r\n");
    Tokenizer tokens(reply);
    Field line{};
    if (framed && !tokens.Next(kCr, line)) {  // steps over the frame's opening CR
        return Unmatched();
    }
    if (!tokens.Next(kCr, line)) {
        return Unmatched();
    }
    if (framed) {
        ++line.begin;  // the frame's line feed
    }
    const bool echoed = line.Size() >= 2 && line.begin[0] == 'A' && line.begin[1] == 'T';
    const bool status = std::any_of(std::begin(kStatusLines), std::end(kStatusLines),
                                    [&line](const char* text) { return line.Equals(text); });
    if (line.Size() == 0 || echoed || status) {
        return Unmatched();
    }
    ReplyResult result = MakeReplyResult(REPLY_MODEL);
    CopyText(line, kReplyTextSize - 1, ResultPayload(result));
    return result;
}

// address "," name "," aux "," state CR, the address as six separated pairs.
ReplyResult ParseInfo(std::vector<char>& reply, kx4xx_atcmd)
{
    Tokenizer tokens(reply);
    Field addressToken{};
    Field texts[3] = {};
    if (!tokens.Next(',', addressToken) || !tokens.Next(',', texts[0]) || !tokens.Next(',', texts[1]) ||
        !tokens.Next(kCr, texts[2])) {
        return Unmatched();
    }
    std::string addressText = addressToken.Text();
    for (char& c : addressText) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    TrimSpaces(addressText);
    DeviceInfo info{};
    if (!ReadSeparatedAddress(addressText, info.address)) {
        return Unmatched();
    }
    char* fields[3] = {info.name, info.aux, info.state};
    for (size_t i = 0; i < 3; ++i) {
        if (texts[i].Size() >= kReplyTextSize) {
            return Unmatched();
        }
        CopyText(texts[i], kReplyTextSize - 1, reinterpret_cast<uint8_t*>(fields[i]));
    }
    ReplyResult result = MakeReplyResult(REPLY_INFO);
    StoreRecord(result, info);
    return result;
}

ReplyResult ParseOnOff(std::vector<char>& reply, kx4xx_atcmd)
{
    Field line{};
    if (!FindLine(reply, line) || !(line.Equals("ON") || line.Equals("OFF"))) {
        return Unmatched();
    }
    ReplyResult result = MakeReplyResult(REPLY_ON_OFF);
    ResultPayload(result)[0] = line.Equals("ON") ? 1 : 0;
    return result;
}

// "+BEACON" "," hexadecimal data CR
ReplyResult ParseBeacon(std::vector<char>& reply, kx4xx_atcmd)
{
    Tokenizer tokens(reply);
    Field head{};
    Field data{};
    if (!tokens.Next(',', head) || !head.Equals("+BEACON") || !tokens.Next(kCr, data) ||
        data.Size() >= kBeaconPayloadSize || !IsHexText(data.Text())) {
        return Unmatched();
    }
    ReplyResult result = MakeReplyResult(REPLY_BEACON);
    CopyText(data, kBeaconPayloadSize - 1, ResultPayload(result));
    return result;
}

// "+UARTOPT" "," flow "," parity "," stop CR
ReplyResult ParseUartOptions(std::vector<char>& reply, kx4xx_atcmd)
{
    Tokenizer tokens(reply);
    Field head{};
    Field flowToken{};
    Field parityToken{};
    Field stopToken{};
    if (!tokens.Next(',', head) || !head.Equals("+UARTOPT") || !tokens.Next(',', flowToken) ||
        !tokens.Next(',', parityToken) || !tokens.Next(kCr, stopToken)) {
        return Unmatched();
    }
    const long long flow = ReadDecimal(flowToken);
    const long long stop = ReadDecimal(stopToken);
    const bool parityKnown = parityToken.Equals("N") || parityToken.Equals("O") || parityToken.Equals("E");
    if ((flow != 0 && flow != 1) || !parityKnown || (stop != 1 && stop != 2)) {
        return Unmatched();
    }
    UartOptions options{};
    options.parity = parityToken.begin[0];
    options.stopBits = static_cast<uint8_t>(stop);
    options.flowControl = static_cast<uint8_t>(flow);
    ReplyResult result = MakeReplyResult(REPLY_UART_OPTIONS);
    StoreRecord(result, options);
    return result;
}

// The interval as decimal digits, any number of them (an adapter may pad
// with leading zeros, "000500"). Hexadecimal letters, an empty line and a
// value beyond 16 bits are refused rather than read as a wrong number.
ReplyResult ParseAdvInterval(std::vector<char>& reply, kx4xx_atcmd)
{
    constexpr long long kMaxInterval = 0xFFFF;
    Field line{};
    if (!FindLine(reply, line) || line.Size() == 0 || !std::all_of(line.begin, line.end, IsDecimalDigit)) {
        return Unmatched();
    }
    // strtoll saturates on a long digit run, so a huge value stays out of range.
    const long long value = ReadDecimal(line);
    if (value > kMaxInterval) {
        return Unmatched();
    }
    const uint16_t interval = static_cast<uint16_t>(value);
    ReplyResult result = MakeReplyResult(REPLY_ADV_INTERVAL);
    std::memcpy(ResultPayload(result), &interval, sizeof(interval));
    return result;
}
