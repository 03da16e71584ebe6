// ReplyKind, ReplyResult and the payload records of the adapter's replies.
//
// Every request returns an owned byte buffer: 4 bytes of ReplyKind, 2 bytes
// of payload length (host byte order), then the payload. Buffer sizes are
// fixed per kind (kResultSize*); every byte a parser does not write is zero.
// The records are plain byte layouts copied out of the payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "text/bd_addr.h"

enum ReplyKind : uint32_t {
    REPLY_OK = 1,
    REPLY_ERROR = 2,
    REPLY_READY = 3,
    REPLY_UNMATCHED = 4,
    REPLY_INCOMPLETE = 5,
    REPLY_NO_RESULT = 6,
    REPLY_TOO_LONG = 7,
    REPLY_TIMEOUT = 9,
    REPLY_PORT_CLOSED = 10,
    REPLY_ABORTED = 11,
    REPLY_INFO = 13,
    REPLY_SCANNING = 14,
    REPLY_STOPPED = 15,
    REPLY_SCAN_REPORT = 16,
    REPLY_VERSION = 17,
    REPLY_TEXT = 18,
    REPLY_SLOT = 20,
    REPLY_MODEL = 21,
    REPLY_ON_OFF = 22,
    REPLY_BEACON = 23,
    REPLY_ADV_INTERVAL = 24,
    REPLY_UART_OPTIONS = 25,
};

using ReplyResult = std::unique_ptr<uint8_t[]>;

constexpr size_t kResultHeaderSize = 6;  // kind (4) + payload length (2)
constexpr size_t kReplyTextSize = 64;    // text fields: at most 63 characters and a zero

// Payload of REPLY_INFO.
struct DeviceInfo {
    BdAddr address;
    char name[kReplyTextSize];
    char aux[kReplyTextSize];
    char state[kReplyTextSize];
};

// Payload of REPLY_SCAN_REPORT.
struct ScanReport {
    BdAddr address;
    int8_t rssi;
    char name[kReplyTextSize];
};

// Payload of REPLY_SLOT. The tag field holds at most 8 bytes of text.
struct SlotRecord {
    uint8_t slot;
    BdAddr address;
    char tag[kReplyTextSize];
};

// Payload of REPLY_UART_OPTIONS, in the adapter's own terms.
struct UartOptions {
    char parity;          // 'N', 'O' or 'E'
    uint8_t stopBits;     // 1 or 2
    uint8_t flowControl;  // 0 or 1
};

static_assert(sizeof(DeviceInfo) == 198, "DeviceInfo is a 198-byte layout");
static_assert(sizeof(ScanReport) == 71, "ScanReport is a 71-byte layout");
static_assert(sizeof(SlotRecord) == 71, "SlotRecord is a 71-byte layout");
static_assert(sizeof(UartOptions) == 3, "UartOptions is a 3-byte layout");

constexpr size_t kResultSizePlain = 8;
constexpr size_t kResultSizeText = 72;  // REPLY_VERSION, REPLY_TEXT, REPLY_MODEL
constexpr size_t kResultSizeInfo = 206;
constexpr size_t kResultSizeRecord = 79;  // REPLY_SCAN_REPORT, REPLY_SLOT
constexpr size_t kResultSizeOnOff = 9;
constexpr size_t kResultSizeBeacon = 61;
constexpr size_t kResultSizeAdvInterval = 10;
constexpr size_t kResultSizeUartOptions = 11;

constexpr size_t kBeaconPayloadSize = 53;  // at most 52 hexadecimal digits and a zero

// The fixed buffer size and payload length of each kind: header, payload and
// two zero bytes (8 bytes and no payload for kinds without one).
size_t ResultSize(ReplyKind kind);
uint16_t ResultPayloadSize(ReplyKind kind);

// A zero-filled result of the given total size, kind and payload length.
// Throws std::invalid_argument when the header and payload do not fit.
ReplyResult MakeReplyResult(ReplyKind kind, size_t totalSize, uint16_t payloadLength);
// A zero-filled result of the kind's own size and payload length (8 bytes,
// no payload, for the kinds without one).
ReplyResult MakeReplyResult(ReplyKind kind);

// The header fields of a non-empty result.
ReplyKind ResultKind(const ReplyResult& result);
uint16_t ResultPayloadLength(const ReplyResult& result);
inline const uint8_t* ResultPayload(const ReplyResult& result) { return result.get() + kResultHeaderSize; }
inline uint8_t* ResultPayload(ReplyResult& result) { return result.get() + kResultHeaderSize; }
