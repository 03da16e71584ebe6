#include "sim/command_handler.h"

#include <vector>

namespace kx4xx::sim {

namespace {

const char kOk[] = "+OK";
const char kError[] = "+ERROR";

bool StartsWith(const std::string& text, const char* prefix, std::string& rest) {
    const std::string p(prefix);
    if (text.compare(0, p.size(), p) != 0) return false;
    rest = text.substr(p.size());
    return true;
}

// Decimal digits only (no sign, no spaces), at most 5 of them, within [low, high].
bool ParseDecimal(const std::string& text, unsigned low, unsigned high, unsigned& out) {
    if (text.empty() || text.size() > 5) return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value < low || value > high) return false;
    out = value;
    return true;
}

std::vector<std::string> SplitCommas(const std::string& text, size_t maxParts) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (parts.size() + 1 < maxParts) {
        const size_t comma = text.find(',', start);
        if (comma == std::string::npos) break;
        parts.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    parts.push_back(text.substr(start));  // the last part keeps any further commas
    return parts;
}

bool ParseSlotNumber(const std::string& text, unsigned& slot) {
    return ParseDecimal(text, 1, kSlotCount, slot);
}

std::string InfoReply(const AdapterState& s) {
    return AddressToColonText(s.address) + "," + s.name + "," + s.aux + "," + s.StateText();
}

std::string UartReply(const UartSettings& u) {
    return "+UARTOPT," + std::to_string(u.flowControl) + "," + std::string(1, u.parity) + "," +
           std::to_string(u.stopBits);
}

std::string SetSlot(AdapterState& s, const std::string& args) {
    const std::vector<std::string> parts = SplitCommas(args, 3);
    unsigned slot = 0;
    Address address{};
    if (parts.size() < 2 || !ParseSlotNumber(parts[0], slot) || !ParseHexAddress(parts[1], address)) {
        return kError;
    }
    const std::string tag = parts.size() == 3 ? parts[2] : std::string();
    if (!IsValidUserText(tag)) return kError;
    s.slots[slot - 1] = SlotEntry{true, address, tag};
    return kOk;
}

std::string GetSlot(const AdapterState& s, const std::string& arg) {
    unsigned slot = 0;
    if (!ParseSlotNumber(arg, slot) || !s.slots[slot - 1].used) return kError;
    const SlotEntry& entry = s.slots[slot - 1];
    std::string reply = "+SLOT," + std::to_string(slot) + "," + AddressToHex(entry.address);
    if (!entry.tag.empty()) reply += "," + entry.tag;
    return reply;
}

std::string SetUart(AdapterState& s, const std::string& args) {
    const std::vector<std::string> parts = SplitCommas(args, 4);
    UartSettings uart;
    if (parts.size() != 3 || parts[1].size() != 1 || !ParseDecimal(parts[0], 0, 1, uart.flowControl) ||
        !ParseDecimal(parts[2], 1, 2, uart.stopBits)) {
        return kError;
    }
    uart.parity = parts[1][0];
    if (!IsValidUart(uart)) return kError;
    s.uart = uart;
    return kOk;
}

std::string SetScanFilter(AdapterState& s, const std::string& args) {
    if (args == "OFF") {
        s.filterOn = false;
        s.filterName.clear();
        return kOk;
    }
    std::string name;
    if (!StartsWith(args, "ON,", name) || name.empty() || !IsValidUserText(name)) return kError;
    s.filterOn = true;
    s.filterName = name;
    return kOk;
}

}  // namespace

CommandEffect HandleCommand(AdapterState& s, const std::string& command) {
    std::string rest;
    if (command == "AT") return {kOk};
    if (command == "AT+MODEL?") return {s.model};
    if (command == "AT+VER?") return {s.version};
    if (command == "AT+INFO?") return {InfoReply(s)};
    if (command == "AT+ADVINTERVAL?") return {std::to_string(s.advInterval)};
    if (command == "AT+UARTOPT?") return {UartReply(s.uart)};
    if (command == "ATZ") {
        const bool wasScanning = s.scanning;
        s.scanning = false;
        return {"+READY", wasScanning ? ScanChange::Stopped : ScanChange::None};
    }
    if (command == "AT&F") {
        const bool wasScanning = s.scanning;
        s.FactoryReset();
        return {"+READY", wasScanning ? ScanChange::Stopped : ScanChange::None};
    }
    if (command == "AT+STARTSCAN") {
        s.scanning = true;
        return {"+SCANNING", ScanChange::Started};
    }
    if (command == "AT+STOPSCAN") {
        s.scanning = false;
        return {"+STOPPED", ScanChange::Stopped};
    }
    if (StartsWith(command, "AT+GETSLOT=", rest)) return {GetSlot(s, rest)};
    if (StartsWith(command, "AT+SETSLOT=", rest)) return {SetSlot(s, rest)};
    if (StartsWith(command, "AT+DELSLOT=", rest)) {
        unsigned slot = 0;
        if (!ParseSlotNumber(rest, slot)) return {kError};
        s.slots[slot - 1] = SlotEntry{};
        return {kOk};
    }
    if (StartsWith(command, "AT+MANUF=", rest)) {
        if (!IsValidDeviceName(rest)) return {kError};
        s.name = rest;
        return {kOk};
    }
    if (StartsWith(command, "AT+ADVINTERVAL=", rest)) {
        if (!ParseDecimal(rest, kMinAdvInterval, kMaxAdvInterval, s.advInterval)) return {kError};
        return {kOk};
    }
    if (StartsWith(command, "AT+UARTOPT=", rest)) return {SetUart(s, rest)};
    if (StartsWith(command, "AT+SF=", rest)) return {SetScanFilter(s, rest)};
    return {kError};
}

}  // namespace kx4xx::sim
