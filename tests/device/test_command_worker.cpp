// The command worker against the simulated adapter: order, outcomes, the
// busy flag, CMD_QUIT, and stopping in the middle of a command.
#include "device/command_worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/sim_link.h"

namespace {

using namespace std::chrono_literals;
using Outcomes = std::vector<std::pair<int32_t, CmdOutcome>>;

class CommandWorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(engine.Open(sim.PortName(), 115200, 0, 0));
        worker.onOutcome = [this](int32_t id, CmdOutcome outcome) {
            {
                std::lock_guard<std::mutex> lock(outcomesLock);
                outcomes.emplace_back(id, outcome);
            }
            outcomesSignal.notify_all();
        };
    }
    // As the window closes: the engine first, so that a wait ends at once.
    void TearDown() override
    {
        engine.Close();
        worker.Stop();
    }

    // The outcomes once there are `count` of them (or what came within a generous bound).
    Outcomes WaitForOutcomes(size_t count)
    {
        std::unique_lock<std::mutex> lock(outcomesLock);
        outcomesSignal.wait_for(lock, 20s, [&] { return outcomes.size() >= count; });
        return outcomes;
    }
    // The adapter counts commands since it started, which under Wine is
    // before this test: waits are counted from here.
    unsigned long long CommandCount() { return std::stoull(sim.Set("count").substr(3)); }
    bool WaitForMoreCommands(unsigned long long base, unsigned long long more,
                             std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        return sim.WaitForCommandCount(base + more, limit);
    }
    bool WaitUntilIdle()
    {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (worker.busy.load() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        return !worker.busy.load();
    }

    // Waits until the worker has collected at least `count` reports while
    // no report wait was queued (within a generous bound).
    bool WaitUntilCollected(size_t count)
    {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (worker.CollectedReports() < count && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        return worker.CollectedReports() >= count;
    }

    SimLink sim;
    ZantorKX4xxComm engine;
    DeviceReadings readings;
    CommandWorker worker{engine, readings};
    std::mutex outcomesLock;
    std::condition_variable outcomesSignal;  // with outcomesLock
    Outcomes outcomes;                       // guarded by outcomesLock
};

TEST_F(CommandWorkerTest, CommandsRunInQueueOrderWithTheInputsSetBeforeQueueing)
{
    sim.Set("model ZANTOR-KX420");
    sim.Set("interval 100");
    // The first outcome waits until busy was looked at: an adapter that
    // answers at once could otherwise end the identification before.
    std::promise<void> busyChecked;
    std::shared_future<void> gate = busyChecked.get_future().share();
    worker.onOutcome = [gate, record = worker.onOutcome](int32_t id, CmdOutcome outcome) {
        gate.wait();
        record(id, outcome);
    };
    worker.Start();
    worker.EnqueueCommand(CMD_IDENTIFY);
    EXPECT_TRUE(worker.busy.load());
    busyChecked.set_value();
    worker.EnqueueCommand(CMD_READ_DEVICE);
    worker.EnqueueCommand(2);   // ids without a command report nothing
    worker.EnqueueCommand(99);
    worker.EnqueueCommand(CMD_WAIT_REPORT);  // not scanning: dropped
    CommandInputs inputs = worker.Inputs();
    inputs.pendingAdvInterval = 640;
    worker.SetInputs(inputs);
    worker.EnqueueCommand(CMD_SET_ADV_INTERVAL);
    worker.EnqueueCommand(CMD_READ_DEVICE);

    EXPECT_EQ(WaitForOutcomes(4), (Outcomes{{CMD_IDENTIFY, RESULT_OK},
                                            {CMD_READ_DEVICE, RESULT_OK},
                                            {CMD_SET_ADV_INTERVAL, RESULT_OK},
                                            {CMD_READ_DEVICE, RESULT_OK}}));
    EXPECT_TRUE(WaitUntilIdle());
    EXPECT_EQ(readings.modelIndex, MODEL_KX420);
    EXPECT_EQ(readings.advInterval, 640);
    const auto sent = sim.Record();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "AT+ADVINTERVAL=640\r"), 1);
}

TEST_F(CommandWorkerTest, IdsBehindQuitNeverRun)
{
    // The silent adapter holds the worker in the identification (two probes
    // of 1200 ms) while the ids behind CMD_QUIT are queued.
    sim.Set("fault silence on");
    const unsigned long long base = CommandCount();
    worker.Start();
    worker.EnqueueCommand(CMD_IDENTIFY);
    ASSERT_TRUE(WaitForMoreCommands(base, 1));
    worker.EnqueueCommand(CMD_QUIT);
    worker.EnqueueCommand(CMD_RESTART);
    worker.EnqueueCommand(CMD_FACTORY_RESET);
    EXPECT_EQ(WaitForOutcomes(1), (Outcomes{{CMD_IDENTIFY, RESULT_FAILED}}));
    sim.Set("fault off");

    // A restart would be sent at once; half a second is a generous wait for it.
    EXPECT_FALSE(WaitForMoreCommands(CommandCount(), 1, 500ms)) << "an id behind CMD_QUIT ran";
    worker.Stop();
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(WaitForOutcomes(1).size(), 1u);
    EXPECT_EQ(sim.Record(), (std::vector<std::string>{"AT\r", "AT\r"}));
}

TEST_F(CommandWorkerTest, StopCutsTheScanFilterPauseShort)
{
    // The engine stays open, so only the cut pause keeps the scan start from
    // being sent: a full pause would end in "+SCANNING" and RESULT_OK.
    const unsigned long long base = CommandCount();
    worker.Start();
    worker.EnqueueCommand(CMD_START_SCAN);
    ASSERT_TRUE(WaitForMoreCommands(base, 2));  // the model check and "AT+SF=OFF"
    worker.Stop();
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_FALSE(worker.busy.load());
    EXPECT_EQ(WaitForOutcomes(1), (Outcomes{{CMD_START_SCAN, RESULT_FAILED}}));
    EXPECT_EQ(sim.Record(), (std::vector<std::string>{"AT+MODEL?\r", "AT+SF=OFF\r"}));
    EXPECT_EQ(worker.scanState.load(), SCAN_IDLE);
}

TEST_F(CommandWorkerTest, ClosingDuringASilentWaitEndsTheWorkerWithinOneExchange)
{
    sim.Set("fault silence on");
    const unsigned long long base = CommandCount();
    worker.Start();
    worker.EnqueueCommand(CMD_IDENTIFY);
    ASSERT_TRUE(WaitForMoreCommands(base, 1));
    const auto start = std::chrono::steady_clock::now();
    engine.Close();
    worker.Stop();
    // The probe's own limit is 1200 ms and a second probe would follow: far
    // less means the closed engine ended the wait and nothing else was tried.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(WaitForOutcomes(1), (Outcomes{{CMD_IDENTIFY, RESULT_FAILED}}));
}

// The window's outcome handler may wait for the user interface thread, which
// may itself be queueing at that moment (closing the port during a scan
// start). Queueing must not wait for the worker's command.
TEST_F(CommandWorkerTest, QueueingWhileTheOutcomeHandlerWaitsDoesNotBlock)
{
    std::promise<void> outcomeArrived;
    std::promise<void> handled;
    std::shared_future<void> handledFuture = handled.get_future().share();
    worker.onOutcome = [&](int32_t, CmdOutcome) {
        outcomeArrived.set_value();
        handledFuture.wait();  // as a synchronous call into the window would
    };
    worker.Start();
    worker.EnqueueCommand(CMD_START_SCAN);
    ASSERT_EQ(outcomeArrived.get_future().wait_for(20s), std::future_status::ready);

    auto closing = std::async(std::launch::async, [&] { worker.EnqueueCommand(CMD_QUIT, true); });
    const bool queued = closing.wait_for(10s) == std::future_status::ready;
    handled.set_value();
    EXPECT_TRUE(queued) << "EnqueueCommand waited for the worker's command";
    worker.Stop();
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(worker.scanState.load(), SCAN_SCANNING);
}

// While the window lists a batch, the worker takes the reports arriving off
// the engine: with the window paused until the worker holds more reports
// than the engine keeps uncollected (below the worker's own bound), every
// report is still handed over, once and in the order reported. The rate at
// which this keeps up is measured by bench_scan_reports.
TEST_F(CommandWorkerTest, ReportsArrivingWhileTheWindowListsAreAllHandedOverInOrder)
{
    constexpr size_t kPeers = 400;
    // More 21-byte lines than the engine's 1024 bytes keep, fewer than kScanBacklogLimit.
    constexpr size_t kHeldWhilePaused = 150;
    static_assert(kHeldWhilePaused * 21 > ZantorKX4xxComm::kRxBufferLimit && kHeldWhilePaused < kScanBacklogLimit,
                  "between the engine's bound and the worker's");
    sim.SetNumberedPeers(kPeers, 4ms);
    worker.Start();
    worker.EnqueueCommand(CMD_START_SCAN);
    ASSERT_EQ(WaitForOutcomes(1).back(), std::make_pair(int32_t{CMD_START_SCAN}, RESULT_OK));

    // The window's part: paused until the worker holds the reports, then
    // the scan ends and the window lists batch after batch until none is left.
    ASSERT_TRUE(WaitUntilCollected(kHeldWhilePaused)) << worker.CollectedReports();
    sim.Set("scanning off");
    std::vector<std::string> names;
    size_t handled = 1;
    for (;;) {
        worker.EnqueueCommand(CMD_WAIT_REPORT);
        const Outcomes seen = WaitForOutcomes(++handled);
        ASSERT_EQ(seen.size(), handled) << "no outcome for report wait " << handled - 1;
        if (seen.back().second == RESULT_NO_REPORT)
            break;
        ASSERT_EQ(seen.back(), std::make_pair(int32_t{CMD_WAIT_REPORT}, RESULT_OK));
        for (size_t r = 0; r < readings.scanReportCount; ++r) names.emplace_back(readings.scanReports[r].name);
    }
    ASSERT_GE(names.size(), kHeldWhilePaused);
    for (size_t n = 0; n < names.size(); ++n)
        ASSERT_EQ(names[n], SimLink::NumberedPeerName(n % kPeers)) << "report " << n << " of " << names.size();
}

// The collection belongs to one opening: a port closed while the worker
// collects fails that collection, and the next opening's scan collects
// from its start, before its first report wait.
TEST_F(CommandWorkerTest, AfterACloseDuringAScanTheNextOpeningCollectsFromItsStart)
{
    sim.SetNumberedPeers(20, 5ms);
    worker.Start();
    worker.EnqueueCommand(CMD_START_SCAN);
    ASSERT_EQ(WaitForOutcomes(1).back(), std::make_pair(int32_t{CMD_START_SCAN}, RESULT_OK));
    ASSERT_TRUE(WaitUntilCollected(1));
    // As the window closes: the engine first, so that the collection fails.
    engine.Close();
    worker.Stop();
    worker.scanState = SCAN_IDLE;

    sim.Set("scanning off");
    ASSERT_FALSE(engine.Open(sim.PortName(), 115200, 0, 0));
    worker.Start();
    EXPECT_EQ(worker.CollectedReports(), 0u);
    worker.EnqueueCommand(CMD_START_SCAN);
    ASSERT_EQ(WaitForOutcomes(2).back(), std::make_pair(int32_t{CMD_START_SCAN}, RESULT_OK));
    EXPECT_TRUE(WaitUntilCollected(1)) << "nothing collected before the first report wait";
}

TEST_F(CommandWorkerTest, StartAndStopGuardTheOneWorker)
{
    worker.Stop();  // not running: nothing to do
    worker.EnqueueCommand(CMD_RESTART);  // no worker: stays queued
    EXPECT_TRUE(worker.busy.load());
    worker.Start();  // empties the queue
    EXPECT_FALSE(worker.busy.load());
    EXPECT_THROW(worker.Start(), std::logic_error);
    worker.EnqueueCommand(CMD_IDENTIFY);
    EXPECT_EQ(WaitForOutcomes(1), (Outcomes{{CMD_IDENTIFY, RESULT_OK}}));
    worker.Stop();
    EXPECT_EQ(sim.Record(), (std::vector<std::string>{"AT\r", "AT+MODEL?\r"}));

    worker.Start();  // a new worker after the old one was joined
    worker.EnqueueCommand(CMD_RESTART);
    EXPECT_EQ(WaitForOutcomes(2).back(), std::make_pair(int32_t{CMD_RESTART}, RESULT_OK));
}

}  // namespace
