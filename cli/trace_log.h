// TraceLog: every byte sent to and received from the adapter, one line per
// observer call, with the milliseconds since the log was made:
//     "   12.345 > AT\r"      sent
//     "   27.102 < \r\nOK\r\n" received
// Bytes outside printable ASCII are escaped (\r, \n, \\, \xHH).
//
// Threads: Sent is called on the requesting thread, Received on the engine's
// I/O threads; the line sink serialises its own writes.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TraceLog {
public:
    using LineSink = std::function<void(const std::string& line)>;

    explicit TraceLog(LineSink sink);

    void Sent(const std::vector<uint8_t>& bytes) const;
    void Received(const std::vector<uint8_t>& bytes) const;

private:
    void Write(char direction, const std::vector<uint8_t>& bytes) const;

    LineSink sink;
    std::chrono::steady_clock::time_point start;
};

// The bytes as one line of text: printable ASCII as is, the rest escaped.
std::string EscapeTraceBytes(const std::vector<uint8_t>& bytes);
