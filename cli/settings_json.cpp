#include "cli/settings_json.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "cli/device_output.h"
#include "cli/device_text.h"
#include "cli/utf8_path.h"
#include "text/error_text.h"
#include "text/text_convert.h"

namespace {

// A JSON value as it stands in the file, for messages.
std::string ValueText(const nlohmann::json& value)
{
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The text of a whole number, or the value's JSON text (which is then no number).
std::string NumberText(const nlohmann::json& value)
{
    return value.is_number_integer() ? std::to_string(value.get<long long>()) : ValueText(value);
}

// The first key of object outside known; nothing when there is none.
CheckFailure UnknownKey(const nlohmann::json& object, std::initializer_list<const char*> known, const std::string& where)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (std::find_if(known.begin(), known.end(), [&](const char* key) { return it.key() == key; }) == known.end())
            return where + "unknown key \"" + EscapeDeviceText(it.key()) + "\".";
    }
    return std::nullopt;
}

// A device text member (name, tag) in its escaped form, decoded into bytes.
// A missing member is empty when optional.
CheckFailure DeviceTextMember(const nlohmann::json& object, const char* key, bool optional, const std::string& where,
                              std::string& bytes)
{
    const auto it = object.find(key);
    if (it == object.end() && optional) {
        bytes.clear();
        return std::nullopt;
    }
    if (it == object.end())
        return where + key + ": missing; it must be a text.";
    if (!it->is_string())
        return where + key + ": must be a text, not " + ValueText(*it) + ".";
    const std::optional<std::string> decoded = UnescapeDeviceText(it->get<std::string>());
    if (!decoded)
        return where + key + ": " + ValueText(*it) + " holds a backslash that starts neither \\\\ nor \\xHH.";
    bytes = *decoded;
    return std::nullopt;
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
    return {{"name", EscapeDeviceText(settings.name)},
            {"advInterval", settings.advInterval},
            {"uart", UartJson(settings.uart)},
            {"slots", SlotsJson(settings.slots)}};
}

CheckFailure SlotsFromJson(const nlohmann::json& document, std::array<SlotRecord, kSlotCount>& slots)
{
    const auto list = document.find("slots");
    if (list == document.end() || !list->is_array() || list->size() != kSlotCount)
        return std::string("slots: must be an array of the 7 slots in order.");
    std::array<SlotRowInput, kSlotCount> rows;
    for (size_t k = 0; k < rows.size(); ++k) {
        const nlohmann::json& entry = (*list)[k];
        const std::string where = "slots: slot " + std::to_string(k + 1) + ": ";
        if (!entry.is_object())
            return where + "must be an object, not " + ValueText(entry) + ".";
        if (const CheckFailure failure = UnknownKey(entry, {"slot", "address", "tag"}, where))
            return failure;
        const auto number = entry.find("slot");
        if (number != entry.end() && *number != nlohmann::json(k + 1))
            return where + "listed out of order (\"slot\": " + ValueText(*number) + ").";
        const auto address = entry.find("address");
        if (address == entry.end() || !address->is_string())
            return where + "address: must be a text (12 hexadecimal digits, or empty for an empty slot).";
        rows[k].address = address->get<std::string>();
        if (const CheckFailure failure = DeviceTextMember(entry, "tag", true, where, rows[k].tag))
            return failure;
        if (rows[k].address.empty() && !rows[k].tag.empty())
            return where + "the tag '" + EscapeDeviceText(rows[k].tag) + "' has no address.";
    }
    return BuildSlotRecords(rows, slots);
}

CheckFailure SlotsFileFromJson(const nlohmann::json& document, std::array<SlotRecord, kSlotCount>& slots)
{
    if (!document.is_object())
        return std::string("The file must be a JSON object.");
    if (const CheckFailure failure = UnknownKey(document, {"slots", "name", "advInterval", "uart", "model"}, ""))
        return failure;
    return SlotsFromJson(document, slots);
}

CheckFailure SettingsFromJson(const nlohmann::json& document, DeviceSettings& settings)
{
    if (!document.is_object())
        return std::string("A snapshot must be a JSON object.");
    // "model" is written for the reader by snapshot save; it is not applied.
    if (const CheckFailure failure = UnknownKey(document, {"name", "advInterval", "uart", "slots", "model"}, ""))
        return failure;
    if (const CheckFailure failure = DeviceTextMember(document, "name", false, "", settings.name))
        return failure;
    if (const CheckFailure failure = CheckDeviceName(settings.name))
        return "name: " + *failure;

    const auto interval = document.find("advInterval");
    if (interval == document.end())
        return std::string("advInterval: missing (20 to 2560 ms).");
    if (const CheckFailure failure = ParseAdvInterval(NumberText(*interval), settings.advInterval))
        return "advInterval: " + *failure;

    const auto uart = document.find("uart");
    if (uart == document.end() || !uart->is_object())
        return std::string("uart: must be an object {\"flowControl\": 0 or 1, \"parity\": \"N\", \"E\" or \"O\", "
                           "\"stopBits\": 1 or 2}.");
    if (const CheckFailure failure = UnknownKey(*uart, {"flowControl", "parity", "stopBits"}, "uart: "))
        return failure;
    const std::string flow = uart->contains("flowControl") ? NumberText((*uart)["flowControl"]) : std::string();
    const std::string parity = uart->contains("parity") ? (*uart)["parity"].is_string()
                                                              ? (*uart)["parity"].get<std::string>()
                                                              : ValueText((*uart)["parity"])
                                                        : std::string();
    const std::string stopBits = uart->contains("stopBits") ? NumberText((*uart)["stopBits"]) : std::string();
    if (const CheckFailure failure = ParseUartOptions(flow, parity, stopBits, settings.uart))
        return "uart: " + *failure;

    return SlotsFromJson(document, settings.slots);
}

CheckFailure ReadJsonFile(const std::string& path, nlohmann::json& document)
{
    std::error_code error;
    const std::filesystem::path file = Utf8Path(path);
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (error)
        return "Cannot read " + path + ": " + ErrorText(error) + ".";
    if (std::filesystem::is_directory(status))
        return "Cannot read " + path + ": it is a directory, not a file.";
    // A device, pipe or other special file has no size to check beforehand.
    if (!std::filesystem::is_regular_file(status))
        return "Cannot read " + path + ": not a regular file.";
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error)
        return "Cannot read " + path + ": " + ErrorText(error) + ".";
    if (size > kMaxJsonFileBytes)
        return path + " is " + std::to_string(size) + " bytes; a settings file has at most " +
               std::to_string(kMaxJsonFileBytes) + ".";

    std::ifstream stream(file, std::ios::binary);
    std::string text(static_cast<size_t>(size), '\0');
    // istream::read turns a failed read (a file unreadable past its opening)
    // into a state, where the JSON parser would let the exception through.
    if (!stream || !stream.read(text.data(), static_cast<std::streamsize>(text.size())) ||
        stream.peek() != std::char_traits<char>::eof())
        return "Cannot read " + path + ".";
    // The parser keeps the last of a key given twice; each object's keys are
    // collected here so that the file is refused instead.
    std::vector<std::set<std::string>> objectKeys;
    std::string twice;
    const nlohmann::json::parser_callback_t noteKeys = [&](int, nlohmann::json::parse_event_t event,
                                                          nlohmann::json& parsed) {
        if (event == nlohmann::json::parse_event_t::object_start)
            objectKeys.emplace_back();
        else if (event == nlohmann::json::parse_event_t::object_end && !objectKeys.empty())
            objectKeys.pop_back();
        else if (event == nlohmann::json::parse_event_t::key && !objectKeys.empty() &&
                 !objectKeys.back().insert(parsed.get<std::string>()).second && twice.empty())
            twice = parsed.get<std::string>();
        return true;
    };
    document = nlohmann::json::parse(text, noteKeys, false);
    if (document.is_discarded())
        return path + " is not valid JSON.";
    if (!twice.empty())
        return path + ": the key \"" + EscapeDeviceText(twice) + "\" is given twice.";
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
