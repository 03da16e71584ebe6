#include "serial/serialport_mp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <stdexcept>

#include "serial/io_service_exec.h"
#include "tests/serial/child_exit.h"
#include "tests/serial/pty_pair.h"

namespace {

// A port on the global executor with recording handlers; the threads run
// while the port is open, as the engine arranges it.
class SerialPortTest : public ::testing::Test {
protected:
    SerialPortTest() : port(std::make_shared<CSerialportMP>(gIoServiceExec.Context()))
    {
        port->readHandler = [this](const std::shared_ptr<CSerialportMP>&, std::error_code& error,
                                   const std::vector<uint8_t>& data, unsigned count) {
            std::lock_guard<std::mutex> lock(mutex);
            EXPECT_EQ(count, data.size());
            if (error)
                ++readErrors;
            received.append(data.begin(), data.end());
            ++readCalls;
            changed.notify_all();
        };
        port->writeHandler = [this](const std::shared_ptr<CSerialportMP>&, std::error_code&, unsigned written) {
            std::lock_guard<std::mutex> lock(mutex);
            writes.push_back(written);
            changed.notify_all();
        };
    }
    ~SerialPortTest() override
    {
        port->Close();
        gIoServiceExec.Stop();
    }

    void OpenPort()
    {
        ASSERT_FALSE(port->Open(pty.SlavePath(), 115200, 0, 0));
        gIoServiceExec.StartThreads();
    }

    template <class Predicate>
    bool WaitFor(Predicate done)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), done);
    }

    PtyPair pty;
    std::shared_ptr<CSerialportMP> port;
    std::mutex mutex;
    std::condition_variable changed;
    std::string received;
    std::vector<unsigned> writes;
    int readCalls = 0;
    int readErrors = 0;
};

TEST_F(SerialPortTest, SendRejectsNullOrEmptyAndQueuesNothing)
{
    OpenPort();
    const uint8_t byte = 'A';
    EXPECT_EQ(port->Send(nullptr, 5), CSerialportMP::kSendRejected);
    EXPECT_EQ(port->Send(&byte, 0), CSerialportMP::kSendRejected);
    EXPECT_EQ(port->Send(&byte, 1), 0);
    // Only the accepted byte reaches the line.
    EXPECT_EQ(pty.Read(2, std::chrono::milliseconds(300)), "A");
}

TEST_F(SerialPortTest, SecondOpenIsBusyAndLeavesThePortWorking)
{
    OpenPort();
    const std::error_code again = port->Open(pty.SlavePath(), 115200, 0, 0);
    EXPECT_EQ(again, std::make_error_code(std::errc::device_or_resource_busy));
    EXPECT_EQ(again.value(), 16);
    EXPECT_TRUE(port->isOpen.load());
    const std::string text = "AT\r";
    port->Send(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int>(text.size()));
    EXPECT_EQ(pty.Read(text.size()), text);
}

// Two openings of one device, by its name or through a link, would read each
// other's replies: the second is refused while the first holds the port,
// without disturbing it, and opens once the first has closed.
TEST_F(SerialPortTest, AnotherOpeningOfTheSameDeviceIsBusyUntilTheFirstCloses)
{
    OpenPort();
    const std::string link = ::testing::TempDir() + "kx4xx-serial-link";
    unlink(link.c_str());
    ASSERT_EQ(symlink(pty.SlavePath().c_str(), link.c_str()), 0);
    for (const std::string& name : {pty.SlavePath(), link}) {
        SCOPED_TRACE(name);
        auto other = std::make_shared<CSerialportMP>(gIoServiceExec.Context());
        EXPECT_EQ(other->Open(name, 115200, 0, 0), std::make_error_code(std::errc::device_or_resource_busy));
        EXPECT_FALSE(other->isOpen.load());
    }
    const std::string text = "AT\r";
    port->Send(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int>(text.size()));
    EXPECT_EQ(pty.Read(text.size()), text) << "the first opening still works";

    port->Close();
    auto other = std::make_shared<CSerialportMP>(gIoServiceExec.Context());
    EXPECT_FALSE(other->Open(link, 115200, 0, 0));
    other->Close();
    unlink(link.c_str());
}

TEST_F(SerialPortTest, ReceivedBytesReachTheReadHandlerInOrder)
{
    OpenPort();
    pty.Write("+OK\r");
    pty.Write("v1.0\r");
    ASSERT_TRUE(WaitFor([this] { return received.size() >= 9; }));
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(received, "+OK\rv1.0\r");
    EXPECT_EQ(readErrors, 0);
}

TEST_F(SerialPortTest, TheReadCancelledByCloseCallsNoHandler)
{
    OpenPort();
    pty.Write("x");
    ASSERT_TRUE(WaitFor([this] { return readCalls == 1; }));
    port->Close();
    gIoServiceExec.Stop();  // joins the threads: every completion has run
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(readCalls, 1);
    EXPECT_EQ(readErrors, 0);
}

TEST_F(SerialPortTest, LargeSendGoesOutInChunksOfAtMost1024)
{
    OpenPort();
    std::string text(3000, '\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char>('a' + i % 26);
    port->Send(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int>(text.size()));
    EXPECT_EQ(pty.Read(text.size()), text);
    ASSERT_TRUE(WaitFor([this] {
        unsigned sum = 0;
        for (unsigned w : writes)
            sum += w;
        return sum == 3000;
    }));
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(writes.front(), 1024u);
    for (unsigned w : writes)
        EXPECT_LE(w, 1024u);
}

TEST_F(SerialPortTest, BytesSentWhileClosedAreWrittenAfterTheNextOpen)
{
    const std::string text = "AT+VER?\r";
    EXPECT_EQ(port->Send(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int>(text.size())), 0);
    OpenPort();
    EXPECT_EQ(pty.Read(text.size()), text);
}

TEST_F(SerialPortTest, BytesLeftUnwrittenWhenThePortClosedAreNotWrittenAfterReopening)
{
    OpenPort();
    port->Close();
    const std::string stale = "AT&F\r";
    EXPECT_EQ(port->Send(reinterpret_cast<const uint8_t*>(stale.data()), static_cast<int>(stale.size())), 0);
    OpenPort();
    const std::string text = "AT\r";
    EXPECT_EQ(port->Send(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int>(text.size())), 0);
    EXPECT_EQ(pty.Read(text.size()), text);
}

TEST_F(SerialPortTest, PortCanBeReopenedAfterClose)
{
    OpenPort();
    port->Close();
    gIoServiceExec.Stop();
    OpenPort();
    pty.Write("+READY\r");
    EXPECT_TRUE(WaitFor([this] { return received == "+READY\r"; }));
}

TEST(SerialPortOpen, FailuresAreReturnedOrThrownAsDocumented)
{
    auto port = std::make_shared<CSerialportMP>(gIoServiceExec.Context());
    EXPECT_TRUE(port->Open("/dev/no-such-serial-port", 115200, 0, 0));
    EXPECT_FALSE(port->isOpen.load());

    PtyPair pty;
    EXPECT_THROW(port->Open(pty.SlavePath(), 115200, 3, 0), std::out_of_range);
    EXPECT_THROW(port->Open(pty.SlavePath(), 115200, 0, 3), std::out_of_range);
    // Nothing was left open by the rejected codes.
    EXPECT_FALSE(port->Open(pty.SlavePath(), 115200, 2, 2));
    port->Close();
    gIoServiceExec.Stop();
}

TEST(SerialPortOpen, RequiresSharedOwnership)
{
    CSerialportMP port(gIoServiceExec.Context());
    try {
        port.Open("/dev/null", 115200, 0, 0);
        FAIL() << "Open on an object without shared ownership must throw";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("It seems like that instance is not created from shared_ptr: ", 0), 0u)
            << e.what();
    }
}

TEST(SerialPortExit, APortLeftOpenDoesNotHangTheProcessExit)
{
    // The open port keeps a read outstanding, so the executor's threads stay
    // in run() until static destruction stops them.
    const ChildEnd end = RunChildThenExit([] {
        PtyPair pty;
        auto port = std::make_shared<CSerialportMP>(gIoServiceExec.Context());
        std::promise<void> reading;
        std::atomic<bool> signalled{false};
        port->readHandler = [&](const std::shared_ptr<CSerialportMP>&, std::error_code&, const std::vector<uint8_t>&,
                                unsigned) {
            if (!signalled.exchange(true))
                reading.set_value();
        };
        if (port->Open(pty.SlavePath(), 115200, 0, 0))
            std::_Exit(2);
        gIoServiceExec.StartThreads();
        pty.Write("x");
        if (reading.get_future().wait_for(std::chrono::seconds(10)) != std::future_status::ready)
            std::_Exit(3);
        std::exit(0);  // with the port and its line still open
    });
    EXPECT_EQ(end, ChildEnd::ExitedZero);
}

}  // namespace
