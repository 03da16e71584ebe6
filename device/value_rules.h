// The rules of the values the window and kx4xx hand to the adapter: number
// parsing, the advertising interval range, the RSSI filter text and
// threshold, the user text limits and the validation of the seven slot rows.
// They are the device's rules, not a window's: portable, and tested natively.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "device/device_records.h"
#include "protocol/reply_result.h"

// Decimal parse as the Windows shell's StrToIntW does it: leading white
// space, an optional sign, then digits up to the first other character;
// 0 without digits. Very long digit strings saturate instead of overflowing.
int ParseShellInt(const std::u16string& text);

// 20 to 2560 milliseconds.
bool IsValidAdvInterval(int value);

// The value of an RSSI filter text: trimmed, an optional sign and one to
// three digits, -127 to 127. No value when the text is not valid.
std::optional<int> ParseRssiText(const std::u16string& text);

// The list rule's RSSI test: with the filter on, a report weaker than the
// threshold text (parsed like ParseShellInt, taken as a signed byte) is
// left out.
bool PassesRssiFilter(bool filterOn, const std::u16string& thresholdText, int8_t rssi);

// A device name, name filter or tag fits the adapter: at most 8 UTF-8 bytes.
bool FitsUserTextLimit(const std::string& utf8);

// The text of one slot row as the user sees it.
struct SlotRowText {
    std::u16string address;
    std::u16string tag;
};

enum class SlotRowError { None, DuplicateAddress, InvalidAddress, InvalidTag };

struct SlotValidation {
    SlotRowError error = SlotRowError::None;
    int slot = 0;  // 1 to 7: the row that failed
};

// Validates rows 1 to 7 in order and fills records as it goes: for each row
// the duplicate test (texts compared ignoring case with the later rows), then
// the address (12 hexadecimal digits; empty deletes), then the tag (at most
// 8 UTF-8 bytes). Stops at the first failing row; the records of the rows
// before it are already rewritten.
SlotValidation ValidateSlotRows(const std::array<SlotRowText, kSlotCount>& rows,
                                std::array<SlotRecord, kSlotCount>& records);

// The address text of a scan report or slot: 12 upper-case hexadecimal digits.
std::u16string AddressText(const BdAddr& address);

// Text of a zero-terminated UTF-8 field, never read past the field.
std::u16string FieldText(const char* field, size_t size);
