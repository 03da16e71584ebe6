#include "sim/adapter_state.h"

#include <cstdio>

namespace kx4xx::sim {

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

void AdapterState::FactoryReset() {
    const AdapterState defaults;
    name = defaults.name;
    advInterval = defaults.advInterval;
    uart = defaults.uart;
    slots = defaults.slots;
    filterOn = false;
    filterName.clear();
    scanning = false;
}

bool ParseHexAddress(const std::string& text, Address& out) {
    if (text.size() != 12) return false;
    Address parsed{};
    for (size_t i = 0; i < parsed.size(); ++i) {
        const int high = HexDigitValue(text[2 * i]);
        const int low = HexDigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        parsed[i] = static_cast<uint8_t>(high * 16 + low);
    }
    out = parsed;
    return true;
}

std::string AddressToHex(const Address& a) {
    char text[13];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", a[0], a[1], a[2], a[3], a[4], a[5]);
    return text;
}

std::string AddressToColonText(const Address& a) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", a[0], a[1], a[2], a[3], a[4], a[5]);
    return text;
}

bool IsValidUserText(const std::string& text) {
    return text.size() <= kMaxUserTextBytes && text.find_first_of("\r\n") == std::string::npos;
}

bool IsValidDeviceName(const std::string& text) {
    return IsValidUserText(text) && text.find(',') == std::string::npos;
}

bool IsValidUart(const UartSettings& uart) {
    return uart.flowControl <= 1 && (uart.parity == 'N' || uart.parity == 'E' || uart.parity == 'O') &&
           (uart.stopBits == 1 || uart.stopBits == 2);
}

}  // namespace kx4xx::sim
