// The adapter's command texts, their argument formats and time limits.
//
// Every command is ASCII, starts with "AT" and ends in one carriage return.
// Commands with arguments are built by the Format* functions, which format
// into a zero-filled 128-byte buffer with a size limit of 127: a command is
// at most 126 characters, longer ones are cut. Only the format constants
// below are ever used as formats; arguments (user or device text) are data.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "protocol/kx4xx_atcmd.h"

// Commands without arguments.
constexpr std::string_view kAtProbe = "AT\r";
constexpr std::string_view kAtRestart = "ATZ\r";
constexpr std::string_view kAtFactoryReset = "AT&F\r";
constexpr std::string_view kAtScanFilterOff = "AT+SF=OFF\r";
constexpr std::string_view kAtStartScan = "AT+STARTSCAN\r";
constexpr std::string_view kAtStopScan = "AT+STOPSCAN\r";
constexpr std::string_view kAtGetVersion = "AT+VER?\r";
constexpr std::string_view kAtGetModel = "AT+MODEL?\r";
constexpr std::string_view kAtGetInfo = "AT+INFO?\r";
constexpr std::string_view kAtGetAdvInterval = "AT+ADVINTERVAL?\r";
constexpr std::string_view kAtGetUartOptions = "AT+UARTOPT?\r";

// Formats of the commands with arguments.
constexpr char kAtScanFilterOnFormat[] = "AT+SF=ON,%s\r";
constexpr char kAtSetManufFormat[] = "AT+MANUF=%s\r";
constexpr char kAtSetSlotFormat[] = "AT+SETSLOT=%u,%s\r";
constexpr char kAtSetSlotTagFormat[] = "AT+SETSLOT=%u,%s,%s\r";
constexpr char kAtDeleteSlotFormat[] = "AT+DELSLOT=%u\r";
constexpr char kAtGetSlotFormat[] = "AT+GETSLOT=%u\r";
constexpr char kAtSetAdvIntervalFormat[] = "AT+ADVINTERVAL=%u\r";
constexpr char kAtSetUartOptionsFormat[] = "AT+UARTOPT=%u,%c,%u\r";

constexpr size_t kAtCommandBufferSize = 128;
constexpr size_t kAtCommandSizeLimit = 127;  // the size handed to snprintf

// Time limits in milliseconds.
constexpr unsigned kTimeLimitMs = 1200;         // the rule
constexpr unsigned kLongTimeLimitMs = 2000;     // restart, factory reset, stop scan

// The time limit the main window passes for a command.
unsigned CommandTimeLimit(kx4xx_atcmd command);

// Time limit of the model query while connecting at a line rate of baud:
// 128000 / (baud / 10) below 9600 baud, else 1200. Rates 0 to 9, where the
// quotient would divide by zero, get 1200 as well.
unsigned ModelQueryTimeLimit(unsigned baud);

// A formatted command: text zero-filled to the end of the buffer, and its
// length without the terminating zero.
struct AtCommand {
    char text[kAtCommandBufferSize];
    size_t length;

    std::string_view View() const { return std::string_view(text, length); }
};

// Text arguments are taken up to their first zero byte, as %s reads them.
AtCommand FormatScanFilterOn(const std::string& nameFilter);
AtCommand FormatSetManuf(const std::string& deviceName);
AtCommand FormatSetSlot(unsigned slot, const std::string& addressHex);
AtCommand FormatSetSlotWithTag(unsigned slot, const std::string& addressHex, const std::string& tag);
AtCommand FormatDeleteSlot(unsigned slot);
AtCommand FormatGetSlot(unsigned slot);
AtCommand FormatSetAdvInterval(unsigned intervalMs);
AtCommand FormatSetUartOptions(unsigned flowControl, char parity, unsigned stopBits);
