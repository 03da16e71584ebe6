// The system's serial ports, from the registry's serial port map
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM.
#pragma once

#include <string>
#include <system_error>
#include <vector>

struct SerialPortEntry {
    std::string name;         // ANSI code page, e.g. "COM3"
    std::string description;  // always empty
};

// Fills list with the text values of the map in registry order, converted to
// the ANSI code page, duplicates dropped. A missing map gives an empty list
// and success; reading stops quietly at the first value that cannot be read.
std::error_code EnumerateSerialPorts(std::vector<SerialPortEntry>& list);
