// The serial port against the simulated adapter: the same checks natively on
// a pseudo-terminal and, in the Windows build, on a COM port under Wine.
#include "serial/serialport_mp.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "serial/io_service_exec.h"
#include "tests/support/sim_link.h"

namespace {

class SerialPortSimTest : public ::testing::Test {
protected:
    SerialPortSimTest() : port(std::make_shared<CSerialportMP>(gIoServiceExec.Context()))
    {
        port->readHandler = [this](const std::shared_ptr<CSerialportMP>&, std::error_code&,
                                   const std::vector<uint8_t>& data, unsigned) {
            std::lock_guard<std::mutex> lock(mutex);
            received.append(data.begin(), data.end());
            changed.notify_all();
        };
    }
    ~SerialPortSimTest() override
    {
        port->Close();
        gIoServiceExec.Stop();
    }
    void Open()
    {
        ASSERT_FALSE(port->Open(sim.PortName(), 115200, 0, 0));
        gIoServiceExec.StartThreads();
    }
    void Send(const std::string& text)
    {
        ASSERT_EQ(port->Send(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int>(text.size())), 0);
    }
    bool WaitReceived(const std::string& text)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return received == text; });
    }

    SimLink sim;
    std::shared_ptr<CSerialportMP> port;
    std::mutex mutex;
    std::condition_variable changed;
    std::string received;
};

TEST_F(SerialPortSimTest, CommandsGoOutAndRepliesComeBack)
{
    Open();
    Send("AT\r");
    EXPECT_TRUE(WaitReceived("+OK\r"));
    Send("AT+MODEL?\r");
    EXPECT_TRUE(WaitReceived("+OK\rZANTOR-KX400\r"));
    EXPECT_EQ(sim.Record(), (std::vector<std::string>{"AT\r", "AT+MODEL?\r"}));
}

TEST_F(SerialPortSimTest, SecondOpenIsBusyAndCloseThenReopenWorks)
{
    Open();
    EXPECT_EQ(port->Open(sim.PortName(), 115200, 0, 0), std::make_error_code(std::errc::device_or_resource_busy));
    port->Close();
    gIoServiceExec.Stop();
    Open();
    Send("AT\r");
    EXPECT_TRUE(WaitReceived("+OK\r"));
}

TEST_F(SerialPortSimTest, PortThatDoesNotExistGivesTheSystemError)
{
    EXPECT_TRUE(port->Open(sim.PortName() + "9", 115200, 0, 0));
    EXPECT_FALSE(port->isOpen.load());
}

}  // namespace
