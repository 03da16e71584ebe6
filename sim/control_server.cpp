#include "sim/control_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

#include "sim/sim_adapter.h"

namespace kx4xx::sim {

namespace {

struct Client {
    int fd = -1;
    std::string input;
    std::string output;
    bool droppingLongLine = false;
};

std::error_code LastError() {
    return {errno, std::generic_category()};
}

// Answers the complete lines in client.input.
void ServeLines(SimAdapter& sim, Client& client, const char* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\n') {
            client.output += client.droppingLongLine ? std::string("error line too long") : sim.Control(client.input);
            client.output += '\n';
            client.input.clear();
            client.droppingLongLine = false;
        } else if (!client.droppingLongLine) {
            client.input += c;
            if (client.input.size() > ControlServer::kMaxLineBytes) {
                client.droppingLongLine = true;
                client.input.clear();
            }
        }
    }
}

// False when the client is gone or hopeless.
bool FlushOutput(Client& client) {
    while (!client.output.empty()) {
        const ssize_t sent = ::send(client.fd, client.output.data(), client.output.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            client.output.erase(0, static_cast<size_t>(sent));
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else {
            return sent < 0 && errno == EAGAIN && client.output.size() <= ControlServer::kMaxPendingReply;
        }
    }
    return true;
}

}  // namespace

std::error_code ControlServer::Start(uint16_t port) {
    if (thread.joinable()) throw std::logic_error("ControlServer already started");
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return LastError();
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    socklen_t length = sizeof address;
    int pipeFds[2] = {-1, -1};
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) {
        const std::error_code error = LastError();
        ::close(fd);
        return error;
    }
    listenFd = fd;
    wakeRead = pipeFds[0];
    wakeWrite = pipeFds[1];
    boundPort = ntohs(address.sin_port);
    stopRequested = false;
    thread = std::thread(&ControlServer::Run, this);
    return {};
}

void ControlServer::Stop() {
    if (!thread.joinable()) return;
    stopRequested = true;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeWrite, &byte, 1);
    thread.join();
    ::close(listenFd);
    ::close(wakeRead);
    ::close(wakeWrite);
    listenFd = wakeRead = wakeWrite = -1;
}

void ControlServer::Run() {
    std::vector<Client> clients;
    std::vector<pollfd> fds;
    while (!stopRequested) {
        // A full house stops accepting, so a waiting connection cannot spin the loop.
        const int acceptFd = clients.size() < kMaxClients ? listenFd : -1;
        fds.assign({{wakeRead, POLLIN, 0}, {acceptFd, POLLIN, 0}});
        for (const Client& client : clients) {
            fds.push_back({client.fd, static_cast<short>(POLLIN | (client.output.empty() ? 0 : POLLOUT)), 0});
        }
        if (::poll(fds.data(), fds.size(), -1) <= 0) continue;
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd >= 0) clients.push_back(Client{fd, {}, {}, false});
        }
        // Walk the clients polled this round; a new one is polled next round.
        for (size_t i = fds.size() - 2; i-- > 0;) {
            Client& client = clients[i];
            const short events = fds[i + 2].revents;
            bool alive = true;
            if (events & (POLLIN | POLLHUP | POLLERR)) {
                char buffer[4096];
                const ssize_t count = ::recv(client.fd, buffer, sizeof buffer, 0);
                if (count > 0) {
                    ServeLines(sim, client, buffer, static_cast<size_t>(count));
                } else if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
                    alive = false;
                }
            }
            if (alive) alive = FlushOutput(client);
            if (!alive) {
                ::close(client.fd);
                clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
    }
    for (const Client& client : clients) ::close(client.fd);
}

}  // namespace kx4xx::sim
