// PtyPort: the pseudo-terminal that plays the adapter's serial line, and the
// stable link that can point at it.
#pragma once

#include <string>
#include <system_error>

namespace kx4xx::sim {

class PtyPort {
public:
    PtyPort() = default;
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;
    ~PtyPort() { Close(); }

    // A new pty: master non-blocking, slave raw (no echo, no CR/LF
    // translation). The slave stays open here too, so that a client closing
    // and reopening the port does not hang up the master.
    std::error_code Open();
    // Closes both sides: a client holding the slave sees the line hang up.
    void Close();

    // Bytes written to the master that the client has not read yet.
    size_t UnreadBytes() const;
    // Drops what either side wrote and the other has not read yet.
    void DropUnread();

    bool IsOpen() const { return masterFd >= 0; }
    int MasterFd() const { return masterFd; }
    const std::string& SlavePath() const { return slavePath; }

private:
    int masterFd = -1;
    int slaveFd = -1;
    std::string slavePath;
};

// Points link at target, replacing an older link in one step (a new link
// under a temporary name is renamed over it), so a reader never sees none.
std::error_code UpdateLink(const std::string& link, const std::string& target);

}  // namespace kx4xx::sim
