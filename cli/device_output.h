// How the adapter's readings look: JSON objects and readable text, every
// text the adapter gave in the escaped form of device_text.h.
#pragma once

#include <array>
#include <string>

#include <nlohmann/json.hpp>

#include "device/device_records.h"

nlohmann::json UartJson(const UartOptions& uart);
nlohmann::json SlotsJson(const std::array<SlotRecord, kSlotCount>& slots);
// Model, version, address, name, aux, state, interval, UART options, slots.
nlohmann::json DeviceJson(const DeviceReadings& readings);

std::string UartText(const UartOptions& uart);
std::string SlotsText(const std::array<SlotRecord, kSlotCount>& slots);
std::string DeviceText(const DeviceReadings& readings);

// A text field of a record, up to its first zero byte, never past the field.
std::string FieldString(const char* field, size_t size);
// The same, escaped for showing, logging and saving.
std::string ShownField(const char* field, size_t size);
