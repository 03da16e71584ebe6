#include "cli/value_checks.h"

#include <cstring>

#include "cli/console.h"
#include "cli/device_text.h"
#include "cli/messages.h"
#include "cli/number_args.h"
#include "text/text_convert.h"
#include "device/value_rules.h"

namespace {

// A line break inside a text argument would end the AT command early, and
// other control characters or broken UTF-8 are nothing an adapter should
// hold or show: the text's failure, "<what> '<text>': <reason>".
CheckFailure CheckPrintable(const std::string& what, const std::string& text)
{
    if (const std::optional<std::string> reason = UnprintableReason(text))
        return what + " '" + EscapeDeviceText(text) + "' must be one line of printable UTF-8 text: " + *reason + ".";
    return std::nullopt;
}

// The end of a choice's message: the value given, when one was.
std::string NotGiven(const std::string& value)
{
    return value.empty() ? std::string(".") : ", not '" + EscapeDeviceText(value) + "'.";
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
    if (const CheckFailure failure = CheckPrintable("The device name", utf8))
        return failure;
    if (!FitsUserTextLimit(utf8))
        return std::string(msg::kNameTooLong) + " '" + utf8 + "' is " + std::to_string(utf8.size()) +
               " bytes; at most 8 UTF-8 bytes.";
    return std::nullopt;
}

CheckFailure ParseAdvInterval(const std::string& text, uint32_t& intervalMs)
{
    const std::optional<unsigned> value = ParseWholeNumber(text);
    if (!value || !IsValidAdvInterval(static_cast<int>(*value)))
        return std::string(msg::kAdvIntervalValue) + " '" + EscapeDeviceText(text) +
               "' is not a whole number of milliseconds from 20 to 2560.";
    intervalMs = *value;
    return std::nullopt;
}

CheckFailure ParseUartOptions(const std::string& flow, const std::string& parity, const std::string& stopBits,
                              UartOptions& options)
{
    if (flow != "0" && flow != "1")
        return "HW flow control: Item not selected. 0 or 1" + NotGiven(flow);
    if (parity != "N" && parity != "E" && parity != "O")
        return "Parity: Item not selected. N, E or O" + NotGiven(parity);
    if (stopBits != "1" && stopBits != "2")
        return "Stopbit: Item not selected. 1 or 2" + NotGiven(stopBits);
    options.flowControl = static_cast<uint8_t>(flow[0] - '0');
    options.parity = parity[0];
    options.stopBits = static_cast<uint8_t>(stopBits[0] - '0');
    return std::nullopt;
}

CheckFailure CheckNameFilter(const std::string& utf8)
{
    if (const CheckFailure failure = CheckPrintable("The name filter", utf8))
        return failure;
    if (utf8.empty() || !FitsUserTextLimit(utf8))
        return std::string(msg::kNameFilterLength) + " '" + utf8 + "' is " + std::to_string(utf8.size()) +
               " bytes; 1 to 8 UTF-8 bytes.";
    return std::nullopt;
}

CheckFailure CheckRssiText(const std::string& text)
{
    if (!ParseRssiText(Wide(text)))
        return std::string(msg::kRssiFilterValue) + ": '" + EscapeDeviceText(text) +
               "' is not a whole number of dBm from -127 to 127.";
    return std::nullopt;
}

CheckFailure BuildSlotRecords(const std::array<SlotRowInput, kSlotCount>& rows,
                              std::array<SlotRecord, kSlotCount>& records)
{
    for (size_t k = 0; k < rows.size(); ++k) {
        if (const CheckFailure failure = CheckPrintable("Slot " + std::to_string(k + 1) + ": the tag", rows[k].tag))
            return failure;
    }
    std::array<SlotRowText, kSlotCount> texts;
    for (size_t k = 0; k < rows.size(); ++k)
        texts[k] = SlotRowText{Wide(rows[k].address), Wide(rows[k].tag)};
    const SlotValidation result = ValidateSlotRows(texts, records);
    switch (result.error) {
    case SlotRowError::DuplicateAddress:
        return msg::kSlotDuplicate;
    case SlotRowError::InvalidAddress:
        return FormatNumbered(msg::kSlotAddress, result.slot) + " '" +
               EscapeDeviceText(rows[result.slot - 1].address) + "' is not 12 hexadecimal digits.";
    case SlotRowError::InvalidTag:
        return FormatNumbered(msg::kSlotTagLength, result.slot) + " '" + rows[result.slot - 1].tag + "' is " +
               std::to_string(rows[result.slot - 1].tag.size()) + " bytes; at most 8 UTF-8 bytes.";
    case SlotRowError::None:
        break;
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
