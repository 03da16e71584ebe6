// Command formatting and time limits.
#include "protocol/at_commands.h"

#include <cstdarg>
#include <cstdio>

namespace {

// The only place a format meets its arguments; format is always one of the
// catalogue's constants.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
AtCommand Format(const char* format, ...)
{
    AtCommand command{};
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(command.text, kAtCommandSizeLimit, format, args);
    va_end(args);
    if (written > 0) {
        // vsnprintf reports the untruncated length; what fits is one less than the limit.
        command.length = static_cast<size_t>(written) < kAtCommandSizeLimit ? static_cast<size_t>(written)
                                                                            : kAtCommandSizeLimit - 1;
    }
    return command;
}

}  // namespace

unsigned CommandTimeLimit(kx4xx_atcmd command)
{
    switch (command) {
    case ATCMD_RESTART:
    case ATCMD_FACTORY_RESET:
    case ATCMD_STOP_SCAN:
        return kLongTimeLimitMs;
    default:
        return kTimeLimitMs;
    }
}

unsigned ModelQueryTimeLimit(unsigned baud)
{
    if (baud < 10 || baud >= 9600) {
        return kTimeLimitMs;
    }
    return 128000 / (baud / 10);
}

AtCommand FormatScanFilterOn(const std::string& nameFilter)
{
    return Format(kAtScanFilterOnFormat, nameFilter.c_str());
}

AtCommand FormatSetManuf(const std::string& deviceName)
{
    return Format(kAtSetManufFormat, deviceName.c_str());
}

AtCommand FormatSetSlot(unsigned slot, const std::string& addressHex)
{
    return Format(kAtSetSlotFormat, slot, addressHex.c_str());
}

AtCommand FormatSetSlotWithTag(unsigned slot, const std::string& addressHex, const std::string& tag)
{
    return Format(kAtSetSlotTagFormat, slot, addressHex.c_str(), tag.c_str());
}

AtCommand FormatDeleteSlot(unsigned slot)
{
    return Format(kAtDeleteSlotFormat, slot);
}

AtCommand FormatGetSlot(unsigned slot)
{
    return Format(kAtGetSlotFormat, slot);
}

AtCommand FormatSetAdvInterval(unsigned intervalMs)
{
    return Format(kAtSetAdvIntervalFormat, intervalMs);
}

AtCommand FormatSetUartOptions(unsigned flowControl, char parity, unsigned stopBits)
{
    return Format(kAtSetUartOptionsFormat, flowControl, parity, stopBits);
}
