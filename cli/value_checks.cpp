#include "cli/value_checks.h"

#include <cstring>

#include "cli/console.h"
#include "cli/messages.h"
#include "text/text_convert.h"
#include "device/value_rules.h"

namespace {

// A line break inside a text argument would end the AT command early.
bool IsSingleLine(const std::string& text)
{
    return text.find_first_of("\r\n") == std::string::npos;
}

std::u16string Wide(const std::string& utf8)
{
    std::u16string wide;
    Utf8ToWide(utf8, wide);
    return wide;
}

}  // namespace

CheckFailure CheckDeviceName(const std::string& utf8)
{
    if (!FitsUserTextLimit(utf8))
        return msg::kNameTooLong;
    if (!IsSingleLine(utf8))
        return std::string("A device name must be one line.");
    return std::nullopt;
}

CheckFailure ParseAdvInterval(const std::string& text, uint32_t& intervalMs)
{
    const int value = ParseShellInt(Wide(text));
    if (!IsValidAdvInterval(value))
        return msg::kAdvIntervalValue;
    intervalMs = static_cast<uint32_t>(value);
    return std::nullopt;
}

CheckFailure ParseUartOptions(const std::string& flow, const std::string& parity, const std::string& stopBits,
                              UartOptions& options)
{
    if (flow != "0" && flow != "1")
        return std::string("HW flow control: Item not selected.");
    if (parity != "N" && parity != "E" && parity != "O")
        return std::string("Parity: Item not selected.");
    if (stopBits != "1" && stopBits != "2")
        return std::string("Stopbit: Item not selected.");
    options.flowControl = static_cast<uint8_t>(flow[0] - '0');
    options.parity = parity[0];
    options.stopBits = static_cast<uint8_t>(stopBits[0] - '0');
    return std::nullopt;
}

CheckFailure CheckNameFilter(const std::string& utf8)
{
    if (utf8.empty() || !FitsUserTextLimit(utf8) || !IsSingleLine(utf8))
        return msg::kNameFilterLength;
    return std::nullopt;
}

CheckFailure CheckRssiText(const std::string& text)
{
    if (!ParseRssiText(Wide(text)))
        return msg::kRssiFilterValue;
    return std::nullopt;
}

CheckFailure BuildSlotRecords(const std::array<SlotRowInput, kSlotCount>& rows,
                              std::array<SlotRecord, kSlotCount>& records)
{
    std::array<SlotRowText, kSlotCount> texts;
    for (size_t k = 0; k < rows.size(); ++k)
        texts[k] = SlotRowText{Wide(rows[k].address), Wide(rows[k].tag)};
    const SlotValidation result = ValidateSlotRows(texts, records);
    switch (result.error) {
    case SlotRowError::DuplicateAddress:
        return msg::kSlotDuplicate;
    case SlotRowError::InvalidAddress:
        return FormatNumbered(msg::kSlotAddress, result.slot);
    case SlotRowError::InvalidTag:
        return FormatNumbered(msg::kSlotTagLength, result.slot);
    case SlotRowError::None:
        break;
    }
    for (size_t k = 0; k < rows.size(); ++k) {
        if (!IsSingleLine(rows[k].tag))
            return FormatNumbered(msg::kSlotTagLength, static_cast<int>(k + 1));
    }
    return std::nullopt;
}

SlotRowInput SlotRowOf(const SlotRecord& record)
{
    SlotRowInput row;
    if (!IsZeroAddress(record.address))
        row.address = BdAddrToHex(record.address);
    row.tag.assign(record.tag, strnlen(record.tag, sizeof record.tag));
    return row;
}
