#include "cli/trace_log.h"

#include <cstdio>

TraceLog::TraceLog(LineSink theSink) : sink(std::move(theSink)), start(std::chrono::steady_clock::now()) {}

void TraceLog::Sent(const std::vector<uint8_t>& bytes) const
{
    Write('>', bytes);
}

void TraceLog::Received(const std::vector<uint8_t>& bytes) const
{
    Write('<', bytes);
}

void TraceLog::Write(char direction, const std::vector<uint8_t>& bytes) const
{
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
    char stamp[40] = {};
    std::snprintf(stamp, sizeof stamp, "%9lld.%03lld %c ", static_cast<long long>(elapsed / 1000),
                  static_cast<long long>(elapsed % 1000), direction);
    sink(stamp + EscapeTraceBytes(bytes));
}

std::string EscapeTraceBytes(const std::vector<uint8_t>& bytes)
{
    std::string text;
    for (const uint8_t b : bytes) {
        if (b == '\r') {
            text += "\\r";
        } else if (b == '\n') {
            text += "\\n";
        } else if (b == '\\') {
            text += "\\\\";
        } else if (b >= 0x20 && b < 0x7f) {
            text += static_cast<char>(b);
        } else {
            char escaped[8] = {};
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(b));
            text += escaped;
        }
    }
    return text;
}
