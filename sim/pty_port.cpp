#include "sim/pty_port.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace kx4xx::sim {

namespace {

std::error_code LastError() {
    return {errno, std::generic_category()};
}

}  // namespace

std::error_code PtyPort::Open() {
    Close();
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) return LastError();
    char name[128] = {};
    int slave = -1;
    termios settings{};
    if (fcntl(master, F_SETFD, FD_CLOEXEC) != 0 || fcntl(master, F_SETFL, O_NONBLOCK) != 0 || grantpt(master) != 0 ||
        unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
        const std::error_code error = LastError();
        ::close(master);
        return error;
    }
    slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        const std::error_code error = LastError();
        ::close(master);
        return error;
    }
    const bool gotSettings = tcgetattr(slave, &settings) == 0;
    if (gotSettings) cfmakeraw(&settings);
    if (!gotSettings || cfsetspeed(&settings, B115200) != 0 || tcsetattr(slave, TCSANOW, &settings) != 0) {
        const std::error_code error = LastError();
        ::close(slave);
        ::close(master);
        return error;
    }
    masterFd = master;
    slaveFd = slave;
    slavePath = name;
    return {};
}

size_t PtyPort::UnreadBytes() const {
    int count = 0;
    // The slave's input queue is shared by every descriptor of the slave,
    // so ours shows what the client still has to read.
    if (slaveFd < 0 || ioctl(slaveFd, FIONREAD, &count) != 0 || count < 0) return 0;
    return static_cast<size_t>(count);
}

void PtyPort::DropUnread() {
    if (slaveFd >= 0) tcflush(slaveFd, TCIOFLUSH);
}

void PtyPort::Close() {
    if (slaveFd >= 0) ::close(slaveFd);
    if (masterFd >= 0) ::close(masterFd);
    slaveFd = -1;
    masterFd = -1;
}

std::error_code UpdateLink(const std::string& link, const std::string& target) {
    const std::string temporary = link + ".new";
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0) return LastError();
    if (::rename(temporary.c_str(), link.c_str()) != 0) {
        const std::error_code error = LastError();
        ::unlink(temporary.c_str());
        return error;
    }
    return {};
}

}  // namespace kx4xx::sim
