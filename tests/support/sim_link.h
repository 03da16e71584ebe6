// SimLink: a test's connection to the simulated adapter.
//
// Natively the adapter runs in the test process on a pseudo-terminal; in the
// Windows build (under Wine) it is a separate native process, reached as a
// mapped COM port (KX4XX_SIM_COM) and steered over its TCP control socket
// (KX4XX_SIM_CONTROL, host:port). Tests use the text control commands, so the
// same test runs against both.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

class SimLink {
public:
    SimLink();
    ~SimLink();
    SimLink(const SimLink&) = delete;
    SimLink& operator=(const SimLink&) = delete;

    // The name the serial port opens the adapter by.
    std::string PortName() const;
    // One control command; returns the reply line ("ok ...", "error ...").
    std::string Control(const std::string& line);
    // Control, failing the test unless the reply starts with "ok".
    std::string Set(const std::string& line);
    // The commands the adapter received, exact bytes, oldest first.
    std::vector<std::string> Record();
    // Waits until the adapter has received `count` commands since it started.
    bool WaitForCommandCount(unsigned long long count,
                             std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Replaces the adapter's scan peers with `count` distinct ones reported
    // in turn every reportPeriod, without RSSI jitter: peer n is named
    // NumberedPeerName(n), so that a report lost or out of order shows.
    void SetNumberedPeers(size_t count, std::chrono::milliseconds reportPeriod);
    static std::string NumberedPeerName(size_t n);

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
