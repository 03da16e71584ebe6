// ControlServer: the text control interface of a SimAdapter on a TCP socket
// bound to 127.0.0.1 only, for test programs that cannot use the C++ API
// (Windows programs under Wine). Each line received is one control command;
// each reply is one line ending in "\n".
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <system_error>
#include <thread>

namespace kx4xx::sim {

class SimAdapter;

class ControlServer {
public:
    static constexpr size_t kMaxClients = 8;
    static constexpr size_t kMaxLineBytes = 1024;       // a longer line is refused and dropped
    static constexpr size_t kMaxPendingReply = 1 << 20;  // a client that reads nothing is dropped

    explicit ControlServer(SimAdapter& adapter) : sim(adapter) {}  // we don't own it
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;
    ~ControlServer() { Stop(); }

    // port 0 lets the system choose; Port() tells which.
    std::error_code Start(uint16_t port);
    void Stop();
    uint16_t Port() const { return boundPort; }

private:
    void Run();

    SimAdapter& sim;
    int listenFd = -1;    // set before the thread starts, closed after it ends
    int wakeRead = -1;
    int wakeWrite = -1;
    uint16_t boundPort = 0;
    std::atomic<bool> stopRequested{false};
    std::thread thread;
};

}  // namespace kx4xx::sim
