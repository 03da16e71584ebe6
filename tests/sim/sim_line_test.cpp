// The simulated adapter over its pseudo-terminal: replies, faults, record,
// hang-up and scan reports, as a serial client sees them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "pty_client.h"
#include "sim/sim_adapter.h"

namespace kx4xx::sim {
namespace {

using test::PtyClient;
using namespace std::chrono_literals;

class SimLine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(sim.Start());
        client = std::make_unique<PtyClient>(sim.SlavePath());
        ASSERT_TRUE(client->IsOpen());
    }

    void Control(const std::string& line) { ASSERT_EQ(sim.Control(line).substr(0, 2), "ok") << line; }

    std::string Exchange(const std::string& command, size_t replyBytes) {
        EXPECT_TRUE(client->Write(command));
        return client->ReadBytes(replyBytes);
    }

    SimAdapter sim;
    std::unique_ptr<PtyClient> client;
};

TEST_F(SimLine, AnswersOnTheWireAndRecordsExactBytes) {
    const struct {
        const char* sent;
        const char* reply;
    } exchanges[] = {
        {"AT\r", "+OK\r"},
        {"\nAT+MODEL?\r", "ZANTOR-KX400\r"},  // stray line feed from a CR LF client
        {"AT+SETSLOT=2,0A1B2C3D4E5F\r", "+OK\r"},
        {"AT+GETSLOT=2\r", "+SLOT,2,0A1B2C3D4E5F\r"},
        {"AT+GETSLOT=9\r", "+ERROR\r"},
        {"\r", ""},  // an empty line is ignored
        {"AT+VER?\r", "v1.2.3\r"},
    };
    std::vector<std::string> sent;
    for (const auto& exchange : exchanges) {
        EXPECT_EQ(Exchange(exchange.sent, std::string(exchange.reply).size()), exchange.reply) << exchange.sent;
        sent.push_back(exchange.sent);
    }
    EXPECT_EQ(sim.Record(), sent);
    sim.ClearRecord();
    EXPECT_TRUE(sim.Record().empty());

    // Split writes make one command; an over-long line is refused whole.
    EXPECT_TRUE(client->Write("AT+MO"));
    EXPECT_EQ(Exchange("DEL?\r", 13), "ZANTOR-KX400\r");
    EXPECT_EQ(Exchange(std::string(SimAdapter::kMaxLineBytes + 10, 'A') + "\rAT\r", 11), "+ERROR\r+OK\r");
    EXPECT_EQ(sim.Record(), (std::vector<std::string>{"AT+MODEL?\r", "AT\r"}));
}

TEST_F(SimLine, ClientReopeningThePortKeepsTheLineUp) {
    client.reset();
    client = std::make_unique<PtyClient>(sim.SlavePath());
    ASSERT_TRUE(client->IsOpen());
    EXPECT_EQ(Exchange("AT\r", 4), "+OK\r");
}

// Plugging the adapter in again while its line is up: the new line may take
// the old one's descriptor numbers, and must not be taken for the old one
// hanging up.
TEST_F(SimLine, ReopeningALiveLineKeepsTheNewLineUp) {
    for (int round = 0; round < 20; ++round) {
        client.reset();
        Control("reopen");
        client = std::make_unique<PtyClient>(sim.SlavePath());
        ASSERT_TRUE(client->IsOpen()) << "round " << round;
        ASSERT_EQ(Exchange("AT\r", 4), "+OK\r") << "round " << round;
        ASSERT_TRUE(sim.IsLineUp()) << "round " << round;
    }
}

struct FaultCase {
    const char* name;
    std::vector<std::string> controls;  // before sending
    std::string sent;
    std::vector<std::string> controlsAfter;  // once `sent` has arrived
    std::string sentAfter;
    std::string expected;  // everything the client reads
};

TEST_F(SimLine, FaultsShapeTheReplies) {
    const std::string longLine = std::string(299, 'L') + "\r";
    std::string burst;
    for (int i = 0; i < 32; ++i) burst += std::string(63, '~') + "\r";  // 2048 bytes
    const FaultCase cases[] = {
        {"echo", {"fault echo on"}, "AT\r", {}, "", "AT\r+OK\r"},
        {"framed ok", {"fault framed on"}, "AT\r", {}, "", "\r\nOK\r\n"},
        {"framed ready", {"fault framed on"}, "ATZ\r", {}, "", "\r\n+READY\r\n"},
        {"framed text", {"fault framed on"}, "AT+VER?\r", {}, "", "\r\nv1.2.3\r\n"},
        {"framed echo", {"fault framed on", "fault echo on"}, "AT&F\r", {}, "", "AT&F\r\r\n+READY\r\n"},
        {"miss first two AT", {"fault miss-at 2"}, "AT\rAT\rAT\rAT+VER?\r", {}, "", "+OK\rv1.2.3\r"},
        {"error by prefix",
         {"slot 4 AABBCCDDEEFF", "slot 5 112233445566", "fault error AT+GETSLOT=4", "fault error AT+MANUF"},
         "AT+GETSLOT=4\rAT+GETSLOT=5\rAT+MANUF=x\rAT+INFO?\r",
         {},
         "",
         "+ERROR\r+SLOT,5,112233445566\r+ERROR\rD4:36:39:A1:B2:C3,KX400,MASTER,READY\r"},
        {"silence", {"fault silence on"}, "AT\rAT+MANUF=quiet\r", {"fault silence off"}, "AT+INFO?\r",
         "D4:36:39:A1:B2:C3,KX400,MASTER,READY\r"},
        {"late reply keeps order", {"fault late 300"}, "AT+VER?\rAT\r", {}, "", "v1.2.3\r+OK\r"},
        {"delay keeps order", {"fault delay 50"}, "AT\rAT+MODEL?\r", {}, "", "+OK\rZANTOR-KX400\r"},
        {"long line", {"fault longline 300"}, "AT\r", {}, "", longLine + "+OK\r"},
        {"burst", {"fault burst 2048"}, "AT\r", {}, "", burst + "+OK\r"},
        {"all faults off", {"fault echo on", "fault framed on", "fault off"}, "AT\r", {}, "", "+OK\r"},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        Control("reset");
        for (const std::string& line : c.controls) Control(line);
        const uint64_t count = sim.CommandCount();
        ASSERT_TRUE(client->Write(c.sent));
        if (!c.controlsAfter.empty()) {
            const auto commands = static_cast<uint64_t>(std::count(c.sent.begin(), c.sent.end(), '\r'));
            ASSERT_TRUE(sim.WaitForCommandCount(count + commands, 5s));
            for (const std::string& line : c.controlsAfter) Control(line);
            ASSERT_TRUE(client->Write(c.sentAfter));
        }
        EXPECT_EQ(client->ReadBytes(c.expected.size()), c.expected);
    }
    // The silent name change was neither applied nor answered.
    EXPECT_EQ(sim.GetState().name, "KX400");
}

TEST_F(SimLine, GarbageComesBeforeTheReplyWithoutLineEnds) {
    Control("fault garbage 40");
    const std::string received = Exchange("AT\r", 44);
    ASSERT_EQ(received.size(), 44u);
    EXPECT_EQ(received.substr(0, 40).find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(received.substr(40), "+OK\r");
}

TEST_F(SimLine, SplitFaultSendsRepliesAByteAtATime) {
    const std::string info = "D4:36:39:A1:B2:C3,KX400,MASTER,READY\r";
    Control("fault split on");
    Control("fault echo on");
    const size_t readsBefore = client->ReadCount();
    EXPECT_EQ(Exchange("AT+INFO?\r", 9 + info.size()), "AT+INFO?\r" + info);
    // A millisecond between bytes: never one read for the whole reply.
    EXPECT_GT(client->ReadCount() - readsBefore, 2u);
    Control("fault split off");
    Control("fault echo off");
    EXPECT_EQ(Exchange("AT\r", 4), "+OK\r");
}

// A paced line is never faster than its baud rate, 10 bits a byte, in either
// direction: the command's bytes arrive one by one, then the reply leaves
// at the same pace; the bytes stay whole and in order.
TEST_F(SimLine, PacedLineCarriesNoMoreThanItsBaudRate) {
    const std::string info = "D4:36:39:A1:B2:C3,KX400,MASTER,READY\r";
    Control("baud 2400");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Exchange("AT+INFO?\r", info.size()), info);
    const auto took = std::chrono::steady_clock::now() - start;
    const auto lineTime = std::chrono::duration<double>((9.0 + static_cast<double>(info.size())) * 10.0 / 2400.0);
    EXPECT_GE(took, lineTime);
    EXPECT_GT(client->ReadCount(), 2u) << "a paced reply comes in pieces";
    EXPECT_EQ(sim.Control("baud 20"), "error baud must be 0 (unpaced) or 50..4000000");
    Control("baud 0");
    EXPECT_EQ(Exchange("AT\r", 4), "+OK\r");
}

TEST_F(SimLine, HangUpAfterCommandsThenReopenOnNewPathAndLink) {
    const std::string link = ::testing::TempDir() + "kx4xx-sim-link-" + std::to_string(::getpid());
    sim.Stop();
    ASSERT_FALSE(sim.Start(link));
    client = std::make_unique<PtyClient>(link);
    ASSERT_TRUE(client->IsOpen());

    Control("hangup-after 2");
    EXPECT_EQ(Exchange("AT\r", 4), "+OK\r");
    EXPECT_EQ(Exchange("AT+VER?\r", 7), "v1.2.3\r");  // the last reply still arrives
    EXPECT_TRUE(client->WaitForHangUp());
    EXPECT_FALSE(sim.IsLineUp());
    EXPECT_EQ(sim.SlavePath(), "");
    EXPECT_EQ(sim.Control("pty").substr(0, 5), "error");

    const std::string reply = sim.Control("reopen");
    ASSERT_EQ(reply.substr(0, 3), "ok ");
    const std::string path = reply.substr(3);
    EXPECT_EQ(path, sim.SlavePath());
    char target[256] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(path, target);
    client = std::make_unique<PtyClient>(link);
    ASSERT_TRUE(client->IsOpen());
    EXPECT_EQ(Exchange("AT+MODEL?\r", 13), "ZANTOR-KX400\r");
    EXPECT_EQ(sim.Record(), (std::vector<std::string>{"AT\r", "AT+VER?\r", "AT+MODEL?\r"}));

    Control("hangup");
    EXPECT_TRUE(client->WaitForHangUp());
    sim.Stop();
    EXPECT_NE(::access(link.c_str(), F_OK), 0);  // the link goes with the adapter
}

// Splits what the client reads into lines of the given kinds.
bool IsReport(const std::string& line) {
    return line.size() > 14 && line[12] == ',' && line.find(':') == std::string::npos;
}

TEST_F(SimLine, ScanReportsFollowFilterAndEndWithStop) {
    Control("peers clear");
    Control("peers add AABBCCDDEEFF -60 KX-One");
    Control("peers add 112233445566 -70 Other");
    Control("peers add 223344556677 -50 KX Two");
    Control("scan-period 5");
    Control("seed 7");
    EXPECT_EQ(Exchange("AT+SF=ON,KX\r", 4), "+OK\r");
    ASSERT_TRUE(client->Write("AT+STARTSCAN\r"));
    EXPECT_EQ(client->ReadLine(), "+SCANNING\r");
    for (int i = 0; i < 10; ++i) {
        const std::string line = client->ReadLine();
        SCOPED_TRACE(line);
        ASSERT_TRUE(IsReport(line));
        const bool one = line.compare(0, 12, "AABBCCDDEEFF") == 0;
        EXPECT_TRUE(one || line.compare(0, 12, "223344556677") == 0);
        const int rssi = std::atoi(line.c_str() + 13);
        EXPECT_LE(std::abs(rssi - (one ? -60 : -50)), 3);
        EXPECT_EQ(line.substr(line.find(',', 13) + 1), one ? "KX-One\r" : "KX Two\r");
    }

    // Reports may come between the replies; the info shows the scan.
    ASSERT_TRUE(client->Write("AT+INFO?\r"));
    std::string line;
    while (IsReport(line = client->ReadLine())) {
    }
    EXPECT_EQ(line, "D4:36:39:A1:B2:C3,KX400,MASTER,SCANNING\r");

    ASSERT_TRUE(client->Write("AT+STOPSCAN\r"));
    while (IsReport(line = client->ReadLine())) {
    }
    EXPECT_EQ(line, "+STOPPED\r");
    // Nothing is reported after the stop: the next line is the next reply.
    EXPECT_EQ(Exchange("AT\r", 4), "+OK\r");
    EXPECT_FALSE(sim.GetState().scanning);
}

TEST_F(SimLine, RestartEndsAScanStartedFromControl) {
    Control("scan-period 5");
    Control("report-plus on");
    Control("scanning on");
    EXPECT_EQ(client->ReadLine().substr(0, 1), "+");  // reports run without a command
    ASSERT_TRUE(client->Write("ATZ\r"));
    std::string line;
    while ((line = client->ReadLine()).compare(0, 3, "+C0") == 0 || line.compare(0, 3, "+5A") == 0) {
    }
    EXPECT_EQ(line, "+READY\r");
    EXPECT_EQ(Exchange("AT\r", 4), "+OK\r");
}

}  // namespace
}  // namespace kx4xx::sim
