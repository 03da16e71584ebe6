// Restart and factory reset against a device side scripted on a
// pseudo-terminal: an adapter that answers "+OK" instead of "+READY"; and
// scan reports the engine already holds when a report wait starts.
#include "device/device_commands.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <future>
#include <mutex>
#include <string>
#include <vector>

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
    ScanCollection collection;

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
        EXPECT_EQ(commands.Execute(c.id, CommandInputs{}, collection), c.outcome) << c.text << " answered " << c.reply;
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

// Reports the engine holds when the wait starts all go in that one wait, in
// order, whatever the batch window: none arrives during it, so the window
// adds nothing. More than the collection hands over, fewer than a batch.
TEST(DeviceCommandsPtyTest, ReportsAlreadyReceivedAreHandedOverInOneWait)
{
    PtyPair pty;
    ZantorKX4xxComm engine;
    std::mutex receivedMutex;
    std::condition_variable receivedChanged;  // with receivedMutex
    size_t received = 0;                      // guarded by receivedMutex
    engine.onReceive = [&](const ZantorKX4xxComm*, const std::vector<uint8_t>& bytes) {
        std::lock_guard<std::mutex> lock(receivedMutex);
        received += bytes.size();
        receivedChanged.notify_all();
    };
    ASSERT_FALSE(engine.Open(pty.SlavePath(), 115200, 0, 0));
    DeviceReadings readings;
    std::atomic<ScanState> scanState{SCAN_SCANNING};
    DeviceCommands commands(engine, readings, scanState, [](std::chrono::milliseconds) { return true; });
    ScanCollection collection;

    constexpr size_t kReports = 30;  // 30 lines of 21 bytes: below the engine's bound of 1024
    std::string lines;
    for (size_t n = 0; n < kReports; ++n) {
        char line[32];
        std::snprintf(line, sizeof line, "+0000000000%02zX,-50,R%02zu\r", n, n);
        lines += line;
    }
    // The engine observes a read before it keeps it: a line end written
    // once every report was observed comes in a read of its own, and
    // observing it proves the reports kept. An empty line answers nothing.
    const auto awaitReceived = [&](size_t total) {
        std::unique_lock<std::mutex> lock(receivedMutex);
        return receivedChanged.wait_for(lock, 10s, [&] { return received >= total; });
    };
    pty.Write(lines);
    ASSERT_TRUE(awaitReceived(lines.size()));
    pty.Write("\r");
    ASSERT_TRUE(awaitReceived(lines.size() + 1));

    ASSERT_EQ(commands.Execute(CMD_WAIT_REPORT, CommandInputs{}, collection), RESULT_OK);
    ASSERT_EQ(readings.scanReportCount, kReports);
    for (size_t n = 0; n < kReports; ++n)
        EXPECT_EQ(readings.scanReports[n].name, "R" + std::string(n < 10 ? "0" : "") + std::to_string(n)) << n;
    engine.Close();
}

}  // namespace
