#include "fuzz/reply_contract.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool IsTerminatedWithin(const char* text, size_t size)
{
    return std::memchr(text, 0, size) != nullptr;
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

template <typename Record>
Record ReadRecord(const ReplyResult& result)
{
    Record record{};
    std::memcpy(&record, ResultPayload(result), sizeof record);
    return record;
}

void RequirePayloadFields(const ReplyResult& result, ReplyKind kind)
{
    const char* payloadText = reinterpret_cast<const char*>(ResultPayload(result));
    switch (kind) {
    case REPLY_VERSION:
    case REPLY_TEXT:
    case REPLY_MODEL:
        Require(IsTerminatedWithin(payloadText, kReplyTextSize), "line text not terminated");
        Require(kind != REPLY_VERSION || payloadText[0] == 'v', "version text without its 'v'");
        break;
    case REPLY_INFO: {
        const DeviceInfo info = ReadRecord<DeviceInfo>(result);
        Require(IsTerminatedWithin(info.name, kReplyTextSize) && IsTerminatedWithin(info.aux, kReplyTextSize) &&
                    IsTerminatedWithin(info.state, kReplyTextSize),
                "info text not terminated");
        break;
    }
    case REPLY_SCAN_REPORT:
        Require(IsTerminatedWithin(ReadRecord<ScanReport>(result).name, kReplyTextSize), "scan name not terminated");
        break;
    case REPLY_SLOT: {
        const SlotRecord slot = ReadRecord<SlotRecord>(result);
        Require(slot.slot <= 7, "slot number beyond 7");
        Require(std::all_of(slot.tag + 8, slot.tag + kReplyTextSize, [](char c) { return c == 0; }),
                "slot tag longer than 8 bytes");
        break;
    }
    case REPLY_ON_OFF:
        Require(ResultPayload(result)[0] <= 1, "on/off byte other than 0 or 1");
        break;
    case REPLY_BEACON: {
        Require(IsTerminatedWithin(payloadText, kBeaconPayloadSize), "beacon text not terminated");
        const size_t length = std::strlen(payloadText);
        Require(std::all_of(payloadText, payloadText + length, IsHexDigit), "beacon text not hexadecimal");
        break;
    }
    case REPLY_UART_OPTIONS: {
        const UartOptions options = ReadRecord<UartOptions>(result);
        Require(options.parity == 'N' || options.parity == 'O' || options.parity == 'E', "unknown parity");
        Require(options.stopBits == 1 || options.stopBits == 2, "stop bits other than 1 or 2");
        Require(options.flowControl <= 1, "flow control other than 0 or 1");
        break;
    }
    default:
        break;
    }
}

}  // namespace

const std::vector<ParserContract>& ParserContracts()
{
    static const std::vector<ParserContract> contracts = {
        {ParseOk, REPLY_OK, "ParseOk"},
        {ParseError, REPLY_ERROR, "ParseError"},
        {ParseReady, REPLY_READY, "ParseReady"},
        {ParseScanning, REPLY_SCANNING, "ParseScanning"},
        {ParseStopped, REPLY_STOPPED, "ParseStopped"},
        {ParseScanReport, REPLY_SCAN_REPORT, "ParseScanReport"},
        {ParseVersion, REPLY_VERSION, "ParseVersion"},
        {ParseText, REPLY_TEXT, "ParseText"},
        {ParseSlot, REPLY_SLOT, "ParseSlot"},
        {ParseModel, REPLY_MODEL, "ParseModel"},
        {ParseInfo, REPLY_INFO, "ParseInfo"},
        {ParseOnOff, REPLY_ON_OFF, "ParseOnOff"},
        {ParseBeacon, REPLY_BEACON, "ParseBeacon"},
        {ParseUartOptions, REPLY_UART_OPTIONS, "ParseUartOptions"},
        {ParseAdvInterval, REPLY_ADV_INTERVAL, "ParseAdvInterval"},
    };
    return contracts;
}

ReplyKind RecognisedKind(const ReplyParser& parser)
{
    const ParserFunction* function = parser.target<ParserFunction>();
    Require(function != nullptr, "parser table entry is not a plain parser function");
    for (const ParserContract& contract : ParserContracts()) {
        if (contract.parse == *function) {
            return contract.recognised;
        }
    }
    Require(false, "parser table entry is not one of the fifteen parsers");
    return REPLY_UNMATCHED;
}

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "reply contract broken: %s\n", what);
        std::abort();
    }
}

void RequireWellFormed(const ReplyResult& result)
{
    Require(result != nullptr, "empty result");
    const ReplyKind kind = ResultKind(result);
    const size_t size = ResultSize(kind);
    Require(ResultPayloadLength(result) == ResultPayloadSize(kind), "payload length is not the kind's");
    // Reading the whole buffer also lets AddressSanitizer catch one allocated too small.
    const uint8_t* bytes = result.get();
    Require(std::all_of(bytes + kResultHeaderSize + ResultPayloadSize(kind), bytes + size,
                        [](uint8_t b) { return b == 0; }),
            "bytes after the payload are not zero");
    RequirePayloadFields(result, kind);
}
