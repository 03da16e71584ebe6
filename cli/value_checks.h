// The checks a value passes before anything is sent, with the main window's
// rules (device/value_rules.h) and, where it has one, its message. Each
// returns the message of a failed check, or nothing when the value passes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "device/device_records.h"

using CheckFailure = std::optional<std::string>;

// Printable UTF-8 (no control character, which includes line breaks), at
// most 8 bytes; empty is allowed (the window sends it).
CheckFailure CheckDeviceName(const std::string& utf8);
// A whole number (digits only, unlike the window's edit box, which reads
// digits up to the first other character), 20 to 2560.
CheckFailure ParseAdvInterval(const std::string& text, uint32_t& intervalMs);
// "0"/"1", "N"/"E"/"O", "1"/"2"; an empty text is a missing selection.
CheckFailure ParseUartOptions(const std::string& flow, const std::string& parity, const std::string& stopBits,
                              UartOptions& options);
// 1 to 8 bytes of printable UTF-8.
CheckFailure CheckNameFilter(const std::string& utf8);
// An optional sign and one to three digits, -127 to 127, blanks around
// allowed (the window's rule); anything else in the text is refused.
CheckFailure CheckRssiText(const std::string& text);

// One slot row as typed: address (12 hexadecimal digits or empty) and tag.
struct SlotRowInput {
    std::string address;
    std::string tag;  // UTF-8
};
// Every tag printable UTF-8, then the window's slot validation of all
// seven rows in order; fills records. A failure names the slot and value.
CheckFailure BuildSlotRecords(const std::array<SlotRowInput, kSlotCount>& rows,
                              std::array<SlotRecord, kSlotCount>& records);

// A slot record as a row: the address text (empty for an empty slot) and tag.
SlotRowInput SlotRowOf(const SlotRecord& record);
