// The engine against a pseudo-terminal whose device side the test scripts
// byte for byte: framing, time limits, aborts and the executor's bookkeeping.
#include "protocol/zantor_kx4xx_comm.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "serial/io_service_exec.h"
#include "tests/serial/child_exit.h"
#include "tests/serial/pty_pair.h"

namespace {

using namespace std::chrono_literals;

class EnginePtyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(engine.Open(pty.SlavePath(), 115200, 0, 0)); }
    void TearDown() override { engine.Close(); }

    // Counts what the engine observes receiving. The observer is assigned
    // while the port is closed, as an owner does, and what it touches lives
    // in the fixture: the engine is closed in TearDown, after the test body.
    void CountReceived()
    {
        engine.Close();
        engine.onReceive = [this](const ZantorKX4xxComm*, const std::vector<uint8_t>& bytes) {
            std::lock_guard<std::mutex> lock(receivedMutex);
            received += bytes.size();
            receivedChanged.notify_all();
        };
        ASSERT_FALSE(engine.Open(pty.SlavePath(), 115200, 0, 0));
    }

    bool AwaitReceivedTotal(size_t total)
    {
        std::unique_lock<std::mutex> lock(receivedMutex);
        return receivedChanged.wait_for(lock, 10s, [&] { return received >= total; });
    }

    // The device writes bytes; returns once the engine keeps all of them.
    // The engine observes a read before it keeps its bytes, and reads are
    // handled one after another: a line end written once the bytes were
    // observed comes in a read of its own, and observing it proves the
    // earlier reads kept. Arriving after a request started, it is an empty
    // line, which answers nothing.
    void WriteAndAwaitKept(const std::string& bytes)
    {
        const size_t before = [&] {
            std::lock_guard<std::mutex> lock(receivedMutex);
            return received;
        }();
        pty.Write(bytes);
        ASSERT_TRUE(AwaitReceivedTotal(before + bytes.size()));
        pty.Write("\r");
        ASSERT_TRUE(AwaitReceivedTotal(before + bytes.size() + 1));
    }

    // The device reads one command of the given text, then writes reply.
    std::future<std::string> Answer(const std::string& command, const std::string& reply)
    {
        return std::async(std::launch::async, [this, command, reply] {
            std::string got = pty.Read(command.size());
            if (got == command && !reply.empty())
                pty.Write(reply);
            return got;
        });
    }

    ReplyKind Request(const std::string& text, kx4xx_atcmd command, unsigned limitMs = 1200)
    {
        ReplyResult result = engine.SendAndWait(text.data(), text.size(), command, limitMs);
        EXPECT_TRUE(result);
        return ResultKind(result);
    }

    PtyPair pty;
    ZantorKX4xxComm engine;
    std::mutex receivedMutex;
    std::condition_variable receivedChanged;
    size_t received = 0;  // guarded by receivedMutex
};

TEST_F(EnginePtyTest, FirstRecognisedReplyEndsTheRequest)
{
    const std::string tooLong = std::string(300, 'v') + "\r";
    const struct {
        const char* command;
        kx4xx_atcmd kind;
        std::string reply;
        ReplyKind expected;
    } cases[] = {
        {"AT\r", ATCMD_PROBE, "+OK\r", REPLY_OK},
        {"AT\r", ATCMD_PROBE, "AT\r+OK\r", REPLY_OK},  // echo consumed as unmatched
        {"AT\r", ATCMD_PROBE, "\r\nOK\r\n", REPLY_OK},
        {"AT+INFO?\r", ATCMD_GET_INFO, "+ERROR\r", REPLY_ERROR},
        {"AT+STOPSCAN\r", ATCMD_STOP_SCAN, "+A1B2C3D4E5F6,-60,Tag\r+A1B2C3D4E5F6,-61,Tag\r+STOPPED\r", REPLY_STOPPED},
        {"AT+MODEL?\r", ATCMD_GET_MODEL, "ZANTOR-KX410\r", REPLY_MODEL},
        {"AT+VER?\r", ATCMD_GET_VERSION, tooLong, REPLY_TOO_LONG},
    };
    for (const auto& c : cases) {
        auto device = Answer(c.command, c.reply);
        EXPECT_EQ(Request(c.command, c.kind), c.expected) << c.command << " answered " << c.reply.substr(0, 40);
        EXPECT_EQ(device.get(), c.command);
    }
}

TEST_F(EnginePtyTest, ModelTextIsReturnedInThePayload)
{
    auto device = Answer("AT+MODEL?\r", "ZANTOR-KX420\r");
    const std::string text = "AT+MODEL?\r";
    ReplyResult result = engine.SendAndWait(text.data(), text.size(), ATCMD_GET_MODEL, 1200);
    ASSERT_EQ(ResultKind(result), REPLY_MODEL);
    EXPECT_STREQ(reinterpret_cast<const char*>(ResultPayload(result)), "ZANTOR-KX420");
}

TEST_F(EnginePtyTest, SilenceAndUnassignedCommandsTimeOut)
{
    EXPECT_EQ(Request("AT\r", ATCMD_PROBE, 50), REPLY_TIMEOUT);
    // No parser is registered for value 8: whatever arrives, nothing matches.
    auto device = Answer("AT\r", "+OK\r+ERROR\rZANTOR-KX400\r");
    EXPECT_EQ(Request("AT\r", static_cast<kx4xx_atcmd>(8), 300), REPLY_TIMEOUT);
    device.get();
}

TEST_F(EnginePtyTest, LateReplyNeverAnswersTheNextRequest)
{
    CountReceived();
    EXPECT_EQ(Request("AT\r", ATCMD_PROBE, 30), REPLY_TIMEOUT);
    pty.Read(3);
    WriteAndAwaitKept("+OK\r");  // too late for the first request
    EXPECT_EQ(Request("AT\r", ATCMD_PROBE, 100), REPLY_TIMEOUT);
}

TEST_F(EnginePtyTest, SecondReplyOfOneChunkIsDroppedByTheNextRequest)
{
    auto device = Answer("AT\r", "+OK\r+OK\r");
    EXPECT_EQ(Request("AT\r", ATCMD_PROBE), REPLY_OK);
    device.get();
    EXPECT_EQ(Request("AT\r", ATCMD_PROBE, 100), REPLY_TIMEOUT);
}

TEST_F(EnginePtyTest, CloseAbortsAWaitingRequestAtOnce)
{
    auto waiting = std::async(std::launch::async, [this] { return Request("AT+STOPSCAN\r", ATCMD_STOP_SCAN, 60000); });
    pty.Read(12);  // the request is under way
    engine.Close();
    ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(waiting.get(), REPLY_ABORTED);
    EXPECT_EQ(Request("AT\r", ATCMD_PROBE), REPLY_PORT_CLOSED);
}

// The engine serves one request at a time by construction: a request made
// while another is in progress, from another thread, is refused at once as
// misuse, sends nothing and leaves the first one its reply.
TEST_F(EnginePtyTest, ASecondRequestDuringOneInProgressIsRefusedAndChangesNothing)
{
    std::promise<void> sent;
    engine.Close();
    engine.onSend = [&sent](const ZantorKX4xxComm*, const std::vector<uint8_t>&) { sent.set_value(); };
    ASSERT_FALSE(engine.Open(pty.SlavePath(), 115200, 0, 0));
    auto first = std::async(std::launch::async, [this] { return Request("AT\r", ATCMD_PROBE, 10000); });
    ASSERT_EQ(sent.get_future().wait_for(10s), std::future_status::ready);
    engine.onSend = nullptr;  // the first request's observer has run; no other request runs

    const std::string other = "AT+VER?\r";
    EXPECT_THROW(engine.SendAndWait(other.data(), other.size(), ATCMD_GET_VERSION, 1200), std::logic_error);
    ScanReport report{};
    EXPECT_THROW(engine.WaitScanReport(report, 0), std::logic_error);

    EXPECT_EQ(pty.Read(3), "AT\r");
    pty.Write("+OK\r");
    EXPECT_EQ(first.get(), REPLY_OK);
    // Nothing of the refused request reached the device, and the engine
    // serves the next request as usual.
    auto device = Answer("AT+MODEL?\r", "ZANTOR-KX400\r");
    EXPECT_EQ(Request("AT+MODEL?\r", ATCMD_GET_MODEL), REPLY_MODEL);
    EXPECT_EQ(device.get(), "AT+MODEL?\r");
}

// A zero limit takes a report already held and does not wait for one.
TEST_F(EnginePtyTest, ScanReportWaitOfZeroTakesOnlyWhatIsHeld)
{
    CountReceived();
    ScanReport report{};
    EXPECT_EQ(engine.WaitScanReport(report, 0), REPLY_TIMEOUT);
    WriteAndAwaitKept("+0A1B2C3D4E5F,-60,Tag\r");
    EXPECT_EQ(engine.WaitScanReport(report, 0), REPLY_SCAN_REPORT);
    EXPECT_STREQ(report.name, "Tag");
    EXPECT_EQ(engine.WaitScanReport(report, 0), REPLY_TIMEOUT);
}

TEST_F(EnginePtyTest, ClosedPortAnswersAtOnceAndSendsNothing)
{
    engine.Close();
    EXPECT_EQ(Request("AT\r", ATCMD_PROBE), REPLY_PORT_CLOSED);
    ScanReport report{};
    EXPECT_EQ(engine.WaitScanReport(report), REPLY_PORT_CLOSED);
    EXPECT_EQ(pty.Read(1, 100ms), "");
}

TEST_F(EnginePtyTest, ScanReportWaitSkipsOtherLinesAndDeliversOneReportPerCall)
{
    auto device = Answer("AT+STARTSCAN\r", "+SCANNING\r+0A1B2C3D4E5F,-60,Alpha\rOK\r1A2B3C4D5E6F,-72,Beta\r");
    EXPECT_EQ(Request("AT+STARTSCAN\r", ATCMD_START_SCAN), REPLY_SCANNING);
    device.get();

    ScanReport report{};
    ASSERT_EQ(engine.WaitScanReport(report), REPLY_SCAN_REPORT);
    const uint8_t first[6] = {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};
    EXPECT_EQ(std::memcmp(report.address.bytes, first, 6), 0);
    EXPECT_EQ(report.rssi, -60);
    EXPECT_STREQ(report.name, "Alpha");

    ASSERT_EQ(engine.WaitScanReport(report), REPLY_SCAN_REPORT);
    EXPECT_EQ(report.rssi, -72);
    EXPECT_STREQ(report.name, "Beta");
}

TEST_F(EnginePtyTest, ReceivedBytesBeyond1024BetweenCollectionsAreDropped)
{
    // Nobody collects while no request runs: the buffer keeps its bound.
    CountReceived();
    WriteAndAwaitKept(std::string(3000, 'x'));
    // The next request starts from empty buffers and still works.
    auto device = Answer("AT\r", "+OK\r");
    EXPECT_EQ(Request("AT\r", ATCMD_PROBE), REPLY_OK);
}

TEST(EngineExecutor, EnginesShareTheIoThreadsUntilTheLastCloses)
{
    PtyPair first, second;
    ZantorKX4xxComm a, b;
    ASSERT_FALSE(a.Open(first.SlavePath(), 115200, 0, 0));
    const size_t threads = gIoServiceExec.HeldThreadCount();
    EXPECT_GT(threads, 0u);
    ASSERT_FALSE(b.Open(second.SlavePath(), 115200, 0, 0));
    EXPECT_EQ(gIoServiceExec.HeldThreadCount(), threads);
    EXPECT_EQ(OpenPortCount.load(), 2);

    a.Close();
    EXPECT_EQ(OpenPortCount.load(), 1);
    EXPECT_EQ(gIoServiceExec.HeldThreadCount(), threads);
    const std::string probe = "AT\r";
    auto device = std::async(std::launch::async, [&] {
        second.Read(3);
        second.Write("+OK\r");
    });
    EXPECT_EQ(ResultKind(b.SendAndWait(probe.data(), probe.size(), ATCMD_PROBE, 1200)), REPLY_OK);
    device.get();

    b.Close();
    EXPECT_EQ(OpenPortCount.load(), 0);
    EXPECT_EQ(gIoServiceExec.HeldThreadCount(), 0u);
}

TEST(EngineExecutor, PortFailureIsReportedOnceAndTheEngineRecovers)
{
    auto pty = std::make_unique<PtyPair>();
    ZantorKX4xxComm engine;
    std::promise<std::error_code> failed;
    std::atomic<int> reports{0};
    engine.onError = [&](const ZantorKX4xxComm*, std::error_code& error) {
        if (reports++ == 0)
            failed.set_value(error);
    };
    ASSERT_FALSE(engine.Open(pty->SlavePath(), 115200, 0, 0));
    pty.reset();  // the device is unplugged
    auto report = failed.get_future();
    ASSERT_EQ(report.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(report.get());
    engine.Close();
    EXPECT_EQ(reports.load(), 1);
    EXPECT_EQ(OpenPortCount.load(), 0);
    EXPECT_EQ(gIoServiceExec.HeldThreadCount(), 0u);
}

TEST(EngineExecutor, SelfClosedPortStillReleasesTheExecutor)
{
    // Without onError the engine closes the port by itself on a failure; the
    // count must still come back, or a reopen would find no I/O threads.
    auto pty = std::make_unique<PtyPair>();
    ZantorKX4xxComm engine;
    ASSERT_FALSE(engine.Open(pty->SlavePath(), 115200, 0, 0));
    pty.reset();
    for (int i = 0; i < 1000 && engine.port->isOpen.load(); ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_FALSE(engine.port->isOpen.load());
    EXPECT_EQ(OpenPortCount.load(), 1);

    PtyPair fresh;
    ASSERT_FALSE(engine.Open(fresh.SlavePath(), 115200, 0, 0));
    EXPECT_EQ(OpenPortCount.load(), 1);
    EXPECT_GT(gIoServiceExec.HeldThreadCount(), 0u);
    auto device = std::async(std::launch::async, [&] {
        fresh.Read(3);
        fresh.Write("+OK\r");
    });
    const std::string probe = "AT\r";
    EXPECT_EQ(ResultKind(engine.SendAndWait(probe.data(), probe.size(), ATCMD_PROBE, 1200)), REPLY_OK);
    device.get();
    engine.Close();
    EXPECT_EQ(OpenPortCount.load(), 0);
}

TEST(EngineLifetime, DestroyingAnOpenEngineClosesItsPortAndDetachesIt)
{
    PtyPair pty;
    std::shared_ptr<CSerialportMP> port;
    {
        ZantorKX4xxComm engine;
        ASSERT_FALSE(engine.Open(pty.SlavePath(), 115200, 0, 0));
        port = engine.port;  // the port outlives the engine
    }
    EXPECT_FALSE(port->isOpen.load());
    EXPECT_FALSE(port->readHandler);
    EXPECT_FALSE(port->writeHandler);
    EXPECT_EQ(OpenPortCount.load(), 0);
    EXPECT_EQ(gIoServiceExec.HeldThreadCount(), 0u);
}

TEST(EngineLifetime, AnEngineLeftOpenDoesNotHangTheProcessExit)
{
    const ChildEnd end = RunChildThenExit([] {
        PtyPair pty;
        ZantorKX4xxComm engine;
        if (engine.Open(pty.SlavePath(), 115200, 0, 0))
            std::_Exit(2);
        const std::string probe = "AT\r";
        auto device = std::async(std::launch::async, [&] {
            pty.Read(3);
            pty.Write("+OK\r");
        });
        if (ResultKind(engine.SendAndWait(probe.data(), probe.size(), ATCMD_PROBE, 10000)) != REPLY_OK)
            std::_Exit(3);
        device.get();
        std::exit(0);  // with the engine still open, as a program that forgot to close it
    });
    EXPECT_EQ(end, ChildEnd::ExitedZero);
}

}  // namespace
