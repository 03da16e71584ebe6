// PtyClient: the test's side of the simulated adapter's line, opened like a
// serial port (raw termios), with reads bounded by generous limits.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

namespace kx4xx::sim::test {

class PtyClient {
public:
    using Millis = std::chrono::milliseconds;
    static constexpr Millis kLimit{5000};

    explicit PtyClient(const std::string& path) {
        fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios settings{};
        if (fd >= 0 && tcgetattr(fd, &settings) == 0) {
            cfmakeraw(&settings);
            tcsetattr(fd, TCSANOW, &settings);
        }
    }
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;
    ~PtyClient() {
        if (fd >= 0) ::close(fd);
    }

    bool IsOpen() const { return fd >= 0; }
    // Reads that returned bytes so far: how finely the replies were split.
    size_t ReadCount() const { return readCount; }

    bool Write(const std::string& bytes) {
        return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    // Exactly count bytes, or fewer if the limit passed first.
    std::string ReadBytes(size_t count, Millis limit = kLimit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (buffered.size() < count && Fill(deadline) > 0) {
        }
        return Take(std::min(count, buffered.size()));
    }

    // Up to and including the next carriage return; what came if none did.
    std::string ReadLine(Millis limit = kLimit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (buffered.find('\r') == std::string::npos && Fill(deadline) > 0) {
        }
        const size_t end = buffered.find('\r');
        return Take(end == std::string::npos ? buffered.size() : end + 1);
    }

    // True once a read reports the end of the line (0 bytes or EIO).
    bool WaitForHangUp(Millis limit = kLimit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            const ssize_t result = Fill(deadline);
            if (result == 0 || (result < 0 && errno == EIO)) return true;
            if (result < 0) return false;
            buffered.clear();
        }
    }

private:
    // Bytes read into `buffered`; 0 at the end of the line; -1 on an error
    // or when the deadline passed (errno ETIMEDOUT).
    ssize_t Fill(std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            errno = ETIMEDOUT;
            return -1;
        }
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) {
            errno = ETIMEDOUT;
            return -1;
        }
        char chunk[4096];
        const ssize_t count = ::read(fd, chunk, sizeof chunk);
        if (count > 0) {
            buffered.append(chunk, static_cast<size_t>(count));
            ++readCount;
        }
        return count;
    }

    std::string Take(size_t count) {
        std::string taken = buffered.substr(0, count);
        buffered.erase(0, count);
        return taken;
    }

    int fd = -1;
    std::string buffered;
    size_t readCount = 0;
};

}  // namespace kx4xx::sim::test
