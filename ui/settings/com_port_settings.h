// ComPortSettings: the line settings that the COM port dialog hands to the
// main window for opening the port.
#pragma once

#include <cstdint>
#include <string>

struct ComPortSettings {
    std::wstring portName = L"COM1";
    uint32_t baudRate = 9600;
    uint8_t dataBits = 8;
    uint8_t parity = 0;    // 0 none, 1 odd, 2 even
    uint8_t stopBits = 0;  // 0 one, 1 one and a half, 2 two
};
