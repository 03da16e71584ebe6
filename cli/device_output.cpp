#include "cli/device_output.h"

#include <cstring>

#include "cli/value_checks.h"
#include "text/text_convert.h"

std::string FieldString(const char* field, size_t size)
{
    return std::string(field, strnlen(field, size));
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
        list.push_back({{"slot", k + 1}, {"address", row.address}, {"tag", row.tag}});
    }
    return list;
}

nlohmann::json DeviceJson(const DeviceReadings& readings)
{
    const DeviceInfo& info = readings.info;
    return {{"model", readings.modelText},
            {"version", FieldString(readings.version, sizeof readings.version)},
            {"address", BdAddrToHex(info.address)},
            {"name", FieldString(info.name, sizeof info.name)},
            {"aux", FieldString(info.aux, sizeof info.aux)},
            {"state", FieldString(info.state, sizeof info.state)},
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
            text += "  " + row.tag;
        text += '\n';
    }
    return text;
}

std::string DeviceText(const DeviceReadings& readings)
{
    const DeviceInfo& info = readings.info;
    return "Model:                " + readings.modelText + '\n' +
           "Firmware version:     " + FieldString(readings.version, sizeof readings.version) + '\n' +
           "Bluetooth address:    " + BdAddrToHex(info.address) + '\n' +
           "Device name:          " + FieldString(info.name, sizeof info.name) + '\n' +
           "Aux:                  " + FieldString(info.aux, sizeof info.aux) + '\n' +
           "State:                " + FieldString(info.state, sizeof info.state) + '\n' +
           "Advertising interval: " + std::to_string(readings.advInterval) + " ms\n" +
           "UART options:         " + UartText(readings.uart) + '\n' + "Registered devices:\n" + SlotsText(readings.slots);
}
