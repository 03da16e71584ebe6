#include "device/value_rules.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <regex>

#include "text/text_convert.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

char16_t ToUpperAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool EqualIgnoringCase(const std::u16string& a, const std::u16string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return ToUpperAscii(x) == ToUpperAscii(y); });
}

}  // namespace

int ParseShellInt(const std::u16string& text) {
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) negative = text[at++] == u'-';
    long long value = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
        value = std::min(value * 10 + (text[at] - u'0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (negative) return static_cast<int>(-value);
    return static_cast<int>(std::min(value, static_cast<long long>(INT_MAX)));
}

bool IsValidAdvInterval(int value) { return static_cast<uint32_t>(value) - 20u <= 2540u; }

std::optional<int> ParseRssiText(const std::u16string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    std::string narrow;
    for (size_t at = first; at < last; ++at) {
        if (text[at] > 0x7F) return std::nullopt;
        narrow.push_back(static_cast<char>(text[at]));
    }
    static const std::regex kRssiPattern("^[+-]?\\d{1,3}", std::regex::ECMAScript);
    if (narrow.empty() || !std::regex_match(narrow, kRssiPattern)) return std::nullopt;
    const int value = std::stoi(narrow);
    if (static_cast<uint32_t>(value + 127) > 254u) return std::nullopt;
    return value;
}

bool PassesRssiFilter(bool filterOn, const std::u16string& thresholdText, int8_t rssi) {
    if (!filterOn) return true;
    const auto threshold = static_cast<int8_t>(ParseShellInt(thresholdText));
    return rssi >= threshold;
}

bool FitsUserTextLimit(const std::string& utf8) { return utf8.size() <= kUserTextLimit; }

SlotValidation ValidateSlotRows(const std::array<SlotRowText, kSlotCount>& rows,
                                std::array<SlotRecord, kSlotCount>& records) {
    for (size_t row = 0; row < rows.size(); ++row) {
        const int slot = static_cast<int>(row) + 1;
        const std::u16string& address = rows[row].address;
        if (!address.empty()) {
            for (size_t later = row + 1; later < rows.size(); ++later) {
                if (EqualIgnoringCase(address, rows[later].address)) return {SlotRowError::DuplicateAddress, slot};
            }
        }
        SlotRecord& record = records[row];
        record.slot = static_cast<uint8_t>(slot);
        record.address = BdAddr{};
        if (!address.empty()) {
            std::string ansi;
            WideToAnsi(address, ansi);
            if (!HexToBdAddr(ansi, record.address)) return {SlotRowError::InvalidAddress, slot};
        }
        std::memset(record.tag, 0, sizeof(record.tag));
        if (!rows[row].tag.empty()) {
            std::string utf8;
            WideToUtf8(rows[row].tag, utf8);
            if (!FitsUserTextLimit(utf8)) return {SlotRowError::InvalidTag, slot};
            std::memcpy(record.tag, utf8.data(), utf8.size());
        }
    }
    return {};
}

std::u16string AddressText(const BdAddr& address) {
    const std::string hex = BdAddrToHex(address);
    return std::u16string(hex.begin(), hex.end());
}

std::u16string FieldText(const char* field, size_t size) {
    std::u16string wide;
    Utf8ToWide(std::string(field, strnlen(field, size)), wide);
    return wide;
}
