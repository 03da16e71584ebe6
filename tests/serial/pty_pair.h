// PtyPair: a raw pseudo-terminal for serial tests. The test plays the device
// on the master side; the port under test opens the slave path.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

class PtyPair {
public:
    PtyPair()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        slavePath = ptsname(master);
        // Held open so the master never sees a hang-up while the port under
        // test closes and reopens; also makes the line raw from the start.
        slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY);
        termios tio{};
        tcgetattr(slave, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
    }
    ~PtyPair()
    {
        close(slave);
        close(master);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return slavePath; }

    void Write(const std::string& bytes) const
    {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(master, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                throw std::runtime_error("pty write failed");
            done += static_cast<size_t>(n);
        }
    }

    // Reads until `count` bytes arrived or `limit` passed; returns what came.
    std::string Read(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5)) const
    {
        std::string out;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (out.size() < count) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            pollfd pfd{master, POLLIN, 0};
            if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
                break;
            char buf[4096];
            const ssize_t n = read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            out.append(buf, static_cast<size_t>(n));
        }
        return out;
    }

private:
    int master = -1;
    int slave = -1;
    std::string slavePath;
};
