#include "cli/device_output.h"

#include <cstring>

#include "cli/device_text.h"
#include "cli/value_checks.h"
#include "text/text_convert.h"

std::string FieldString(const char* field, size_t size)
{
    return std::string(field, strnlen(field, size));
}

std::string ShownField(const char* field, size_t size)
{
    return EscapeDeviceText(FieldString(field, size));
}

nlohmann::json UartJson(const UartOptions& uart)
{
    return {{"flowControl", uart.flowControl}, {"parity", std::string(1, uart.parity)}, {"stopBits", uart.stopBits}};
}

nlohmann::json SlotsJson(const std::array<SlotRecord, kSlotCount>& slots)
{
    nlohmann::json list = nlohmann::json::array();
    for (size_t k = 0; k < slots.size(); ++k) {
        const SlotRowInput row = SlotRowOf(slots[k]);
        list.push_back({{"slot", k + 1}, {"address", row.address}, {"tag", EscapeDeviceText(row.tag)}});
    }
    return list;
}

nlohmann::json DeviceJson(const DeviceReadings& readings)
{
    const DeviceInfo& info = readings.info;
    return {{"model", EscapeDeviceText(readings.modelText)},
            {"version", ShownField(readings.version, sizeof readings.version)},
            {"address", BdAddrToHex(info.address)},
            {"name", ShownField(info.name, sizeof info.name)},
            {"aux", ShownField(info.aux, sizeof info.aux)},
            {"state", ShownField(info.state, sizeof info.state)},
            {"advInterval", readings.advInterval},
            {"uart", UartJson(readings.uart)},
            {"slots", SlotsJson(readings.slots)}};
}

std::string UartText(const UartOptions& uart)
{
    return "flow control " + std::to_string(uart.flowControl) + ", parity " + std::string(1, uart.parity) +
           ", stop bits " + std::to_string(uart.stopBits);
}

std::string SlotsText(const std::array<SlotRecord, kSlotCount>& slots)
{
    std::string text;
    for (size_t k = 0; k < slots.size(); ++k) {
        const SlotRowInput row = SlotRowOf(slots[k]);
        text += "  slot " + std::to_string(k + 1) + ": " + (row.address.empty() ? std::string("(empty)") : row.address);
        if (!row.tag.empty())
            text += "  " + EscapeDeviceText(row.tag);
        text += '\n';
    }
    return text;
}

std::string DeviceText(const DeviceReadings& readings)
{
    const DeviceInfo& info = readings.info;
    return "Model:                " + EscapeDeviceText(readings.modelText) + '\n' +
           "Firmware version:     " + ShownField(readings.version, sizeof readings.version) + '\n' +
           "Bluetooth address:    " + BdAddrToHex(info.address) + '\n' +
           "Device name:          " + ShownField(info.name, sizeof info.name) + '\n' +
           "Aux:                  " + ShownField(info.aux, sizeof info.aux) + '\n' +
           "State:                " + ShownField(info.state, sizeof info.state) + '\n' +
           "Advertising interval: " + std::to_string(readings.advInterval) + " ms\n" +
           "UART options:         " + UartText(readings.uart) + '\n' + "Registered devices:\n" + SlotsText(readings.slots);
}
