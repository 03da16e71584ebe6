// Serial ports on Windows: the registry's serial port map, read by the port
// dialog's enumeration.
#include "cli/port_list.h"
#include "ui/settings/serial_port_enum.h"

std::vector<std::string> EnumeratePortNames()
{
    std::vector<SerialPortEntry> entries;
    EnumerateSerialPorts(entries);  // a missing map is an empty list
    std::vector<std::string> names;
    for (const SerialPortEntry& entry : entries)
        names.push_back(entry.name);
    return names;
}
