// Builders for expected reply payloads and the one check every parsing and
// framing test runs on a result buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/reply_result.h"

using Payload = std::vector<uint8_t>;

BdAddr Addr(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4, uint8_t b5);
extern const BdAddr kAddr;  // 0A 1B 2C 3D 4E 5F

Payload NoPayload();
Payload TextPayload(const std::string& text);
Payload InfoPayload(const BdAddr& address, const std::string& name, const std::string& aux, const std::string& state);
Payload ScanPayload(const BdAddr& address, int8_t rssi, const std::string& name);
Payload SlotPayload(uint8_t slot, const BdAddr& address, const std::string& tag);
Payload OnOffPayload(uint8_t on);
Payload BeaconPayload(const std::string& hex);
Payload AdvIntervalPayload(uint16_t interval);
Payload UartPayload(char parity, uint8_t stopBits, uint8_t flowControl);

// The buffer size each kind must have.
size_t ExpectedResultSize(ReplyKind kind);

// Checks kind, payload length, payload bytes and that every other byte of the
// kind's whole buffer is zero. Reading the whole buffer also lets the address
// sanitizer catch a buffer allocated too small.
void CheckResult(const ReplyResult& result, ReplyKind kind, const Payload& payload, const std::string& context);
