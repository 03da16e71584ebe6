// The text control interface, directly and over the TCP loopback socket.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "pty_client.h"
#include "sim/control_server.h"
#include "sim/sim_adapter.h"

namespace kx4xx::sim {
namespace {

TEST(SimControl, CommandsChangeStateAndBadOnesAreRefused) {
    const struct {
        const char* line;
        const char* replyStart;
    } table[] = {
        {"model ZANTOR-KX410", "ok"},
        {"version v9.8.7", "ok"},
        {"name A\\x20B", "ok"},  // escapes give any byte
        {"address 0a1b2c3d4e5f", "ok"},
        {"interval 2561", "ok"},  // the control side may set what the adapter would refuse
        {"uart 1,E,2", "ok"},
        {"slot 7 AABBCCDDEEFF tag", "ok"},
        {"filter on KX", "ok"},
        {"peers clear", "ok"},
        {"peers add 112233445566 -60 Name with space", "ok"},
        {"fault delay 10", "ok"},
        {"fault echo on", "ok"},
        {"fault error AT+GETSLOT=4", "ok"},
        {"hangup-after 3", "ok"},
        {"state",
         "ok model=ZANTOR-KX410 version=v9.8.7 address=0A1B2C3D4E5F name=A\\x20B aux=MASTER state=READY "
         "interval=2561 uart=1,E,2 filter=on,KX scanning=0 slots=1:-,2:-,3:-,4:-,5:-,6:-,7:AABBCCDDEEFF:tag"},
        {"peers", "ok 112233445566,-60,Name\\x20with\\x20space"},
        {"faults",
         "ok delay=10 late=0 silence=off miss-at=0 echo=on framed=off split=off garbage=0 longline=0 burst=0 hangup-after=3 "
         "error=AT+GETSLOT=4"},
        {"interval 65536", "error"},
        {"interval x", "error"},
        {"uart 2,N,1", "error"},
        {"uart 1,E", "error"},
        {"slot 8 AABBCCDDEEFF", "error"},
        {"slot 1 AABBCCDDEEF", "error"},
        {"address 12", "error"},
        {"model bad\\q", "error"},
        {"peers add AABBCCDDEEFF -129 x", "error"},
        {"peers add XYZ -60 x", "error"},
        {"peers remove", "error"},
        {"fault delay -1", "error"},
        {"fault echo maybe", "error"},
        {"fault bogus 1", "error"},
        {"fault error", "error"},
        {"scan-period 0", "error"},
        {"scanning yes", "error"},
        {"bogus", "error"},
        {"", "error"},
        {"help", "ok help | state"},
        {"count", "ok 0"},
        {"record", "ok"},
        {"reset", "ok"},
        {"state",
         "ok model=ZANTOR-KX400 version=v1.2.3 address=D43639A1B2C3 name=KX400 aux=MASTER state=READY "
         "interval=100 uart=0,N,1 filter=off scanning=0 slots=1:-,2:-,3:-,4:-,5:-,6:-,7:-"},
        {"faults", "ok delay=0 late=0 silence=off miss-at=0 echo=off framed=off split=off garbage=0 longline=0 burst=0 "
                   "hangup-after=0 error="},
    };
    SimAdapter sim;
    for (const auto& row : table) {
        const std::string reply = sim.Control(row.line);
        EXPECT_EQ(reply.substr(0, std::string(row.replyStart).size()), row.replyStart) << row.line << " -> " << reply;
        EXPECT_EQ(reply.find('\n'), std::string::npos) << row.line;
    }
    EXPECT_EQ(sim.Peers().size(), 3u);  // the defaults are back
}

// A blocking loopback client that reads one reply line at a time.
class TcpLineClient {
public:
    explicit TcpLineClient(uint16_t port) {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~TcpLineClient() { ::close(fd); }

    bool Connected() const { return connected; }
    bool Send(const std::string& text) {
        return ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
    }
    std::string ReadLine() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (buffered.find('\n') == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd pfd{fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) return "(timeout)";
            char chunk[4096];
            const ssize_t count = ::recv(fd, chunk, sizeof chunk, 0);
            if (count <= 0) return "(closed)";
            buffered.append(chunk, static_cast<size_t>(count));
        }
        const size_t end = buffered.find('\n');
        std::string line = buffered.substr(0, end);
        buffered.erase(0, end + 1);
        return line;
    }

private:
    int fd = -1;
    bool connected = false;
    std::string buffered;
};

TEST(SimControl, TcpControlSteersTheAdapterAndSeesItsRecord) {
    SimAdapter sim;
    ASSERT_FALSE(sim.Start());
    ControlServer server(sim);
    ASSERT_FALSE(server.Start(0));
    ASSERT_NE(server.Port(), 0);

    TcpLineClient first(server.Port());
    TcpLineClient second(server.Port());
    ASSERT_TRUE(first.Connected());
    ASSERT_TRUE(second.Connected());
    // Two commands in one segment, the second split over two sends.
    ASSERT_TRUE(first.Send("model ZANTOR-KX420\nfault ec"));
    ASSERT_TRUE(first.Send("ho on\n"));
    EXPECT_EQ(first.ReadLine(), "ok");
    EXPECT_EQ(first.ReadLine(), "ok");

    test::PtyClient line(sim.SlavePath());
    ASSERT_TRUE(line.Write("AT+MODEL?\r"));
    EXPECT_EQ(line.ReadBytes(23), "AT+MODEL?\rZANTOR-KX420\r");
    ASSERT_TRUE(second.Send("record\n"));
    EXPECT_EQ(second.ReadLine(), "ok AT+MODEL?\\r");

    ASSERT_TRUE(second.Send(std::string(ControlServer::kMaxLineBytes + 1, 'x') + "\ncount\n"));
    EXPECT_EQ(second.ReadLine(), "error line too long");
    EXPECT_EQ(second.ReadLine(), "ok 1");
    server.Stop();
    EXPECT_EQ(first.ReadLine(), "(closed)");
}

}  // namespace
}  // namespace kx4xx::sim
