// The JSON form of an adapter's settings (a snapshot) and of a slot table:
//   {"name": "KX-1", "advInterval": 100,
//    "uart": {"flowControl": 0, "parity": "N", "stopBits": 1},
//    "slots": [{"slot": 1, "address": "0A1B2C3D4E5F", "tag": "door"}, ...]}
// "slots" holds all seven slots in order; an empty address is an empty slot.
// The name and tags are in the escaped form of device_text.h. Reading checks
// every value with the window's rules before anything is sent, and refuses
// an unknown key, a key given twice and a tag without an address; a
// failure's message starts with the key ("advInterval: ...").
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/value_checks.h"
#include "device/device_records.h"

struct DeviceSettings {
    std::string name;  // UTF-8, at most 8 bytes
    uint32_t advInterval = 0;
    UartOptions uart{};
    std::array<SlotRecord, kSlotCount> slots{};
};

// The settings held in readings after a full read, as bytes.
DeviceSettings SettingsFromReadings(const DeviceReadings& readings);
nlohmann::json SettingsJson(const DeviceSettings& settings);

// The slots of a document's "slots" array, checked as the window's Save does.
CheckFailure SlotsFromJson(const nlohmann::json& document, std::array<SlotRecord, kSlotCount>& slots);
// A slots file ({"slots": [...]}) or a snapshot, of which only the slots are taken.
CheckFailure SlotsFileFromJson(const nlohmann::json& document, std::array<SlotRecord, kSlotCount>& slots);
// A whole snapshot document, every value checked.
CheckFailure SettingsFromJson(const nlohmann::json& document, DeviceSettings& settings);

// The largest snapshot or slots file read: far above any real one (about
// 1 KB), so that a wrong file named by mistake is refused before it is read.
constexpr std::uintmax_t kMaxJsonFileBytes = 1024 * 1024;

// Reads and parses a JSON file, a regular file of at most kMaxJsonFileBytes;
// the message of a failure, or nothing.
CheckFailure ReadJsonFile(const std::string& path, nlohmann::json& document);

// The differences between what was applied and what was read back, as
// field names ("name", "advInterval", "uart", "slot 3"); empty when equal.
std::vector<std::string> SettingsDifferences(const DeviceSettings& applied, const DeviceSettings& readBack);
