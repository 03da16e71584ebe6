// Result buffers: fixed size per kind, zero-filled, header in host byte order.
#include "protocol/reply_result.h"

#include <cstring>
#include <stdexcept>

namespace {

// Every result ends in two zero bytes after its payload.
constexpr size_t kResultTrailerSize = 2;

}  // namespace

uint16_t ResultPayloadSize(ReplyKind kind)
{
    switch (kind) {
    case REPLY_VERSION:
    case REPLY_TEXT:
    case REPLY_MODEL:
        return kReplyTextSize;
    case REPLY_INFO:
        return sizeof(DeviceInfo);
    case REPLY_SCAN_REPORT:
        return sizeof(ScanReport);
    case REPLY_SLOT:
        return sizeof(SlotRecord);
    case REPLY_ON_OFF:
        return 1;
    case REPLY_BEACON:
        return kBeaconPayloadSize;
    case REPLY_ADV_INTERVAL:
        return sizeof(uint16_t);
    case REPLY_UART_OPTIONS:
        return sizeof(UartOptions);
    default:
        return 0;
    }
}

size_t ResultSize(ReplyKind kind)
{
    return kResultHeaderSize + ResultPayloadSize(kind) + kResultTrailerSize;
}

ReplyResult MakeReplyResult(ReplyKind kind, size_t totalSize, uint16_t payloadLength)
{
    if (totalSize < kResultHeaderSize + payloadLength) {
        throw std::invalid_argument("result buffer too small for its header and payload");
    }
    ReplyResult result(new uint8_t[totalSize]());
    const uint32_t kindValue = kind;
    std::memcpy(result.get(), &kindValue, sizeof(kindValue));
    std::memcpy(result.get() + sizeof(kindValue), &payloadLength, sizeof(payloadLength));
    return result;
}

ReplyResult MakeReplyResult(ReplyKind kind)
{
    return MakeReplyResult(kind, ResultSize(kind), ResultPayloadSize(kind));
}

ReplyKind ResultKind(const ReplyResult& result)
{
    if (!result) {
        throw std::invalid_argument("ResultKind of an empty result");
    }
    uint32_t kindValue = 0;
    std::memcpy(&kindValue, result.get(), sizeof(kindValue));
    return static_cast<ReplyKind>(kindValue);
}

uint16_t ResultPayloadLength(const ReplyResult& result)
{
    if (!result) {
        throw std::invalid_argument("ResultPayloadLength of an empty result");
    }
    uint16_t length = 0;
    std::memcpy(&length, result.get() + sizeof(uint32_t), sizeof(length));
    return length;
}
