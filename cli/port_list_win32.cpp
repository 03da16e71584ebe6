// Serial ports on Windows: the registry's serial port map, read by the
// platform's enumeration (which the port dialog uses too).
#include "cli/port_list.h"

#include <algorithm>
#include <cctype>

#include "platform/serial_port_enum.h"

std::vector<std::string> EnumeratePortNames()
{
    std::vector<SerialPortEntry> entries;
    EnumerateSerialPorts(entries);  // a missing map is an empty list
    std::vector<std::string> names;
    for (const SerialPortEntry& entry : entries)
        names.push_back(entry.name);
    return names;
}

bool PortExists(const std::string& name)
{
    auto sameIgnoringCase = [&name](const std::string& other) {
        return other.size() == name.size() &&
               std::equal(other.begin(), other.end(), name.begin(), [](unsigned char a, unsigned char b) {
                   return std::tolower(a) == std::tolower(b);
               });
    };
    const std::vector<std::string> names = EnumeratePortNames();
    return std::any_of(names.begin(), names.end(), sameIgnoringCase);
}
