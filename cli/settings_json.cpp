#include "cli/settings_json.h"

#include <cstring>
#include <fstream>

#include "cli/device_output.h"
#include "cli/utf8_path.h"
#include "text/text_convert.h"

namespace {

// The text of a member that must be a string; nothing when it is missing or not one.
std::optional<std::string> StringMember(const nlohmann::json& object, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string())
        return std::nullopt;
    return it->get<std::string>();
}

std::string NumberText(const nlohmann::json& value)
{
    return value.is_number_integer() ? std::to_string(value.get<long long>()) : std::string();
}

}  // namespace

DeviceSettings SettingsFromReadings(const DeviceReadings& readings)
{
    DeviceSettings settings;
    settings.name = FieldString(readings.info.name, sizeof readings.info.name);
    settings.advInterval = readings.advInterval;
    settings.uart = readings.uart;
    settings.slots = readings.slots;
    return settings;
}

nlohmann::json SettingsJson(const DeviceSettings& settings)
{
    return {{"name", settings.name},
            {"advInterval", settings.advInterval},
            {"uart", UartJson(settings.uart)},
            {"slots", SlotsJson(settings.slots)}};
}

CheckFailure SlotsFromJson(const nlohmann::json& document, std::array<SlotRecord, kSlotCount>& slots)
{
    const auto list = document.find("slots");
    if (list == document.end() || !list->is_array() || list->size() != kSlotCount)
        return std::string("\"slots\" must be an array of the 7 slots in order.");
    std::array<SlotRowInput, kSlotCount> rows;
    for (size_t k = 0; k < rows.size(); ++k) {
        const nlohmann::json& entry = (*list)[k];
        if (!entry.is_object())
            return "Slot " + std::to_string(k + 1) + ": not an object.";
        const auto number = entry.find("slot");
        if (number != entry.end() && *number != nlohmann::json(k + 1))
            return "Slot " + std::to_string(k + 1) + ": listed out of order.";
        const std::optional<std::string> address = StringMember(entry, "address");
        const std::optional<std::string> tag = entry.contains("tag") ? StringMember(entry, "tag") : std::string();
        if (!address || !tag)
            return "Slot " + std::to_string(k + 1) + ": \"address\" and \"tag\" must be texts.";
        rows[k] = SlotRowInput{*address, *tag};
    }
    return BuildSlotRecords(rows, slots);
}

CheckFailure SettingsFromJson(const nlohmann::json& document, DeviceSettings& settings)
{
    if (!document.is_object())
        return std::string("A snapshot must be a JSON object.");
    const std::optional<std::string> name = StringMember(document, "name");
    if (!name)
        return std::string("\"name\" must be a text.");
    if (const CheckFailure failure = CheckDeviceName(*name))
        return failure;
    settings.name = *name;

    const auto interval = document.find("advInterval");
    if (interval == document.end())
        return std::string("\"advInterval\" is missing.");
    if (const CheckFailure failure = ParseAdvInterval(NumberText(*interval), settings.advInterval))
        return failure;

    const auto uart = document.find("uart");
    if (uart == document.end() || !uart->is_object())
        return std::string("\"uart\" must be an object.");
    const std::string flow = uart->contains("flowControl") ? NumberText((*uart)["flowControl"]) : std::string();
    const std::string parity = StringMember(*uart, "parity").value_or("");
    const std::string stopBits = uart->contains("stopBits") ? NumberText((*uart)["stopBits"]) : std::string();
    if (const CheckFailure failure = ParseUartOptions(flow, parity, stopBits, settings.uart))
        return failure;

    return SlotsFromJson(document, settings.slots);
}

CheckFailure ReadJsonFile(const std::string& path, nlohmann::json& document)
{
    std::ifstream file(Utf8Path(path), std::ios::binary);
    if (!file)
        return "Cannot read " + path + ".";
    document = nlohmann::json::parse(file, nullptr, false);
    if (document.is_discarded())
        return path + " is not valid JSON.";
    return std::nullopt;
}

std::vector<std::string> SettingsDifferences(const DeviceSettings& applied, const DeviceSettings& readBack)
{
    std::vector<std::string> differences;
    if (applied.name != readBack.name)
        differences.push_back("name");
    if (applied.advInterval != readBack.advInterval)
        differences.push_back("advInterval");
    if (applied.uart.flowControl != readBack.uart.flowControl || applied.uart.parity != readBack.uart.parity ||
        applied.uart.stopBits != readBack.uart.stopBits)
        differences.push_back("uart");
    for (size_t k = 0; k < applied.slots.size(); ++k) {
        const SlotRowInput want = SlotRowOf(applied.slots[k]);
        const SlotRowInput got = SlotRowOf(readBack.slots[k]);
        if (want.address != got.address || (!want.address.empty() && want.tag != got.tag))
            differences.push_back("slot " + std::to_string(k + 1));
    }
    return differences;
}
