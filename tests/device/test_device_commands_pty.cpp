// Restart and factory reset against a device side scripted on a
// pseudo-terminal: an adapter that answers "+OK" instead of "+READY".
#include "device/device_commands.h"

#include <gtest/gtest.h>

#include <future>

#include "tests/serial/pty_pair.h"

namespace {

using namespace std::chrono_literals;

TEST(DeviceCommandsPtyTest, RestartAnsweredOnlyOkFailsAtTheLongTimeLimit)
{
    PtyPair pty;
    ZantorKX4xxComm engine;
    ASSERT_FALSE(engine.Open(pty.SlavePath(), 115200, 0, 0));
    DeviceReadings readings;
    std::atomic<ScanState> scanState{SCAN_IDLE};
    DeviceCommands commands(engine, readings, scanState, [](std::chrono::milliseconds) { return true; });

    const struct {
        int32_t id;
        const char* text;
        const char* reply;
        CmdOutcome outcome;
    } cases[] = {
        {CMD_RESTART, "ATZ\r", "+OK\r", RESULT_FAILED},
        {CMD_FACTORY_RESET, "AT&F\r", "+OK\r", RESULT_FAILED},
        {CMD_RESTART, "ATZ\r", "+READY\r", RESULT_OK},
    };
    for (const auto& c : cases) {
        const std::string text = c.text;
        auto device = std::async(std::launch::async, [&] {
            std::string got = pty.Read(text.size());
            if (got == text)
                pty.Write(c.reply);
            return got;
        });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(commands.Execute(c.id, CommandInputs{}), c.outcome) << c.text << " answered " << c.reply;
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(device.get(), text);
        // "+OK" is no answer to these commands: the wait runs to its 2000 ms
        // limit, not the usual 1200 ms.
        if (c.outcome == RESULT_FAILED) {
            EXPECT_GE(elapsed, 2000ms) << c.text;
        }
    }
    engine.Close();
}

}  // namespace
