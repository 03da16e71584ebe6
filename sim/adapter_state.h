// AdapterState: what the simulated adapter remembers, with its factory
// defaults, and the checks a real adapter applies to values it is sent.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kx4xx::sim {

using Address = std::array<uint8_t, 6>;

struct SlotEntry {
    bool used = false;
    Address address{};
    std::string tag;  // 0 to 8 bytes of UTF-8
};

struct UartSettings {
    unsigned flowControl = 0;  // 0 off, 1 on
    char parity = 'N';         // 'N', 'E' or 'O'
    unsigned stopBits = 1;     // 1 or 2
};

constexpr int kSlotCount = 7;
constexpr size_t kMaxUserTextBytes = 8;  // device name, slot tag, name filter
constexpr unsigned kMinAdvInterval = 20;
constexpr unsigned kMaxAdvInterval = 2560;

struct AdapterState {
    // Identity, kept across a factory reset.
    std::string model = "ZANTOR-KX400";
    std::string version = "v1.2.3";
    Address address{0xD4, 0x36, 0x39, 0xA1, 0xB2, 0xC3};
    std::string aux = "MASTER";
    // Settings, restored by a factory reset.
    std::string name = "KX400";
    unsigned advInterval = 100;
    UartSettings uart;
    std::array<SlotEntry, kSlotCount> slots;
    bool filterOn = false;
    std::string filterName;
    // Run state.
    bool scanning = false;

    // The state text of the info reply.
    std::string StateText() const { return scanning ? "SCANNING" : "READY"; }
    // Settings back to their defaults, scan ended; identity untouched.
    void FactoryReset();
};

// "AABBCCDDEEFF" (12 hex digits, either case) to bytes; false if malformed.
bool ParseHexAddress(const std::string& text, Address& out);
// 12 upper-case hex digits without separators.
std::string AddressToHex(const Address& address);
// "AA:BB:CC:DD:EE:FF", the 17-character form of the info reply.
std::string AddressToColonText(const Address& address);

// A tag or name filter the adapter accepts: at most 8 bytes, no line end.
bool IsValidUserText(const std::string& text);
// A device name also has no comma: it would split the fields of the info reply.
bool IsValidDeviceName(const std::string& text);
bool IsValidUart(const UartSettings& uart);

}  // namespace kx4xx::sim
