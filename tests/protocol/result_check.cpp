#include "result_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

template <typename Record>
Payload RecordBytes(const Record& record)
{
    Payload bytes(sizeof(record));
    std::memcpy(bytes.data(), &record, sizeof(record));
    return bytes;
}

void CopyInto(char* field, size_t fieldSize, const std::string& text)
{
    ASSERT_LT(text.size(), fieldSize) << "test text does not fit its field";
    std::memcpy(field, text.data(), text.size());
}

}  // namespace

BdAddr Addr(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4, uint8_t b5)
{
    return BdAddr{{b0, b1, b2, b3, b4, b5}};
}

const BdAddr kAddr = Addr(0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F);

Payload NoPayload() { return {}; }

Payload TextPayload(const std::string& text)
{
    Payload bytes(64, 0);
    std::memcpy(bytes.data(), text.data(), std::min<size_t>(text.size(), 63));
    return bytes;
}

Payload InfoPayload(const BdAddr& address, const std::string& name, const std::string& aux, const std::string& state)
{
    DeviceInfo info{};
    info.address = address;
    CopyInto(info.name, sizeof(info.name), name);
    CopyInto(info.aux, sizeof(info.aux), aux);
    CopyInto(info.state, sizeof(info.state), state);
    return RecordBytes(info);
}

Payload ScanPayload(const BdAddr& address, int8_t rssi, const std::string& name)
{
    ScanReport report{};
    report.address = address;
    report.rssi = rssi;
    CopyInto(report.name, sizeof(report.name), name);
    return RecordBytes(report);
}

Payload SlotPayload(uint8_t slot, const BdAddr& address, const std::string& tag)
{
    SlotRecord record{};
    record.slot = slot;
    record.address = address;
    CopyInto(record.tag, sizeof(record.tag), tag);
    return RecordBytes(record);
}

Payload OnOffPayload(uint8_t on) { return {on}; }

Payload BeaconPayload(const std::string& hex)
{
    Payload bytes(53, 0);
    std::memcpy(bytes.data(), hex.data(), std::min<size_t>(hex.size(), 52));
    return bytes;
}

Payload AdvIntervalPayload(uint16_t interval)
{
    Payload bytes(2);
    std::memcpy(bytes.data(), &interval, sizeof(interval));
    return bytes;
}

Payload UartPayload(char parity, uint8_t stopBits, uint8_t flowControl)
{
    return {static_cast<uint8_t>(parity), stopBits, flowControl};
}

size_t ExpectedResultSize(ReplyKind kind)
{
    switch (kind) {
    case REPLY_VERSION:
    case REPLY_TEXT:
    case REPLY_MODEL:
        return 72;
    case REPLY_INFO:
        return 206;
    case REPLY_SCAN_REPORT:
    case REPLY_SLOT:
        return 79;
    case REPLY_ON_OFF:
        return 9;
    case REPLY_BEACON:
        return 61;
    case REPLY_ADV_INTERVAL:
        return 10;
    case REPLY_UART_OPTIONS:
        return 11;
    default:
        return 8;
    }
}

void CheckResult(const ReplyResult& result, ReplyKind kind, const Payload& payload, const std::string& context)
{
    SCOPED_TRACE(context);
    ASSERT_TRUE(result) << "empty result";
    Payload expected(ExpectedResultSize(kind), 0);
    const uint32_t kindValue = kind;
    const auto payloadLength = static_cast<uint16_t>(payload.size());
    std::memcpy(expected.data(), &kindValue, sizeof(kindValue));
    std::memcpy(expected.data() + 4, &payloadLength, sizeof(payloadLength));
    ASSERT_LE(6 + payload.size(), expected.size()) << "test payload too long for its kind";
    std::copy(payload.begin(), payload.end(), expected.begin() + 6);

    uint32_t actualKind = 0;
    std::memcpy(&actualKind, result.get(), sizeof(actualKind));
    ASSERT_EQ(actualKind, kindValue) << "kind";
    const Payload actual(result.get(), result.get() + expected.size());
    const auto mismatch = std::mismatch(actual.begin(), actual.end(), expected.begin());
    if (mismatch.first != actual.end()) {
        ADD_FAILURE() << "byte " << (mismatch.first - actual.begin()) << " is " << int(*mismatch.first)
                      << ", expected " << int(*mismatch.second);
    }
}
