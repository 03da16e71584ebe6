// The command worker against a misbehaving adapter: every fault the simulated
// adapter can show, for each kind of command, ends in a definite outcome and
// the command works again once the port is reopened; a hang-up in the middle of a
// command, a full read, a slot save or a scan ends the command in failure,
// the worker is joined, no I/O thread is left and the port opens again.
// The same tests run natively and, in the Windows build, over a mapped COM port.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "device/command_worker.h"
#include "serial/io_service_exec.h"
#include "tests/support/sim_link.h"

namespace {

using namespace std::chrono_literals;
using Outcome = std::pair<int32_t, CmdOutcome>;

constexpr auto kGenerous = 20s;  // bounds waits that end far sooner when all is well

// Every command that sends something outside a scan, and how it ends against
// a well-behaved adapter.
constexpr int32_t kCommands[] = {CMD_IDENTIFY, CMD_READ_DEVICE, CMD_SAVE_SLOTS,
                                 CMD_START_SCAN, CMD_SET_NAME, CMD_RESTART};

class WorkerFaultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The window's way: a port failure is reported, and the owner's
        // thread (here the test's) closes the engine.
        engine.onError = [this](const ZantorKX4xxComm*, std::error_code&) {
            std::lock_guard<std::mutex> lock(lock_);
            ++portErrors;
            signal.notify_all();
        };
        worker.onOutcome = [this](int32_t id, CmdOutcome outcome) {
            {
                std::lock_guard<std::mutex> lock(lock_);
                outcomes.emplace_back(id, outcome);
            }
            signal.notify_all();
            // A scan is kept going as the window keeps it: one wait after another.
            if (id == CMD_START_SCAN && outcome == RESULT_OK)
                worker.EnqueueCommand(CMD_WAIT_REPORT);
            if (id == CMD_WAIT_REPORT && outcome != RESULT_FAILED && keepScanning.load())
                worker.EnqueueCommand(CMD_WAIT_REPORT);
        };
        SetUpAdapter();
        ASSERT_FALSE(engine.Open(sim.PortName(), 115200, 0, 0));
        worker.SetInputs(Inputs());
        worker.Start();
    }
    void TearDown() override { CloseAndExpectNothingLeft(); }

    void SetUpAdapter()
    {
        sim.Set("model ZANTOR-KX420");
        sim.Set("peers clear");
        sim.Set("peers add 0A1B2C3D4E5F -50 Alpha");
        sim.Set("jitter 0");
        sim.Set("scan-period 20");
    }
    static CommandInputs Inputs()
    {
        CommandInputs inputs;
        inputs.pendingName = "Desk";
        inputs.slotsToWrite[2].slot = 3;
        inputs.slotsToWrite[2].address.bytes[0] = 0xA1;
        return inputs;
    }

    // As the window closes: the engine first, so that a wait ends at once.
    void CloseAndExpectNothingLeft()
    {
        engine.Close();
        worker.Stop();
        EXPECT_FALSE(worker.IsRunning());
        EXPECT_FALSE(worker.busy.load());
        EXPECT_EQ(OpenPortCount.load(), 0);
        EXPECT_EQ(gIoServiceExec.HeldThreadCount(), 0u);
    }

    // The next outcome of id, waiting for it generously; outcomes of other
    // ids (the waits of a scan) are passed over.
    CmdOutcome Run(int32_t id)
    {
        const size_t seen = OutcomeCount();
        worker.EnqueueCommand(id);
        return NextOutcomeOf(id, seen);
    }
    CmdOutcome NextOutcomeOf(int32_t id, size_t after)
    {
        std::unique_lock<std::mutex> lock(lock_);
        const auto found = [&] {
            for (size_t i = after; i < outcomes.size(); ++i) {
                if (outcomes[i].first == id)
                    return i;
            }
            return outcomes.size();
        };
        EXPECT_TRUE(signal.wait_for(lock, kGenerous, [&] { return found() < outcomes.size(); }))
            << "no outcome for id " << id;
        const size_t at = found();
        return at < outcomes.size() ? outcomes[at].second : CmdOutcome{-1};
    }
    bool WaitFor(const Outcome& expected, size_t after)
    {
        std::unique_lock<std::mutex> lock(lock_);
        return signal.wait_for(lock, kGenerous, [&] {
            return std::find(outcomes.begin() + static_cast<std::ptrdiff_t>(after), outcomes.end(), expected) !=
                   outcomes.end();
        });
    }
    size_t OutcomeCount()
    {
        std::lock_guard<std::mutex> lock(lock_);
        return outcomes.size();
    }
    bool WaitForPortError()
    {
        std::unique_lock<std::mutex> lock(lock_);
        return signal.wait_for(lock, kGenerous, [this] { return portErrors > 0; });
    }

    // A scan the worker started is stopped on the adapter's side, as the
    // window stops it, and forgotten on ours, so that the next command starts
    // from idle. (Resetting the adapter alone would leave reports on their
    // way, which under Wine can still arrive during the next command.)
    void ForgetScan()
    {
        keepScanning = false;
        const auto deadline = std::chrono::steady_clock::now() + kGenerous;
        while (worker.busy.load() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        ASSERT_FALSE(worker.busy.load());
        if (worker.scanState.load() == SCAN_SCANNING) {
            worker.scanState = SCAN_STOP_REQUESTED;
            Run(CMD_STOP_SCAN);  // a fault may fail it: the reset that follows stops the adapter then
        }
        worker.scanState = SCAN_IDLE;
        keepScanning = true;
    }

    SimLink sim;
    ZantorKX4xxComm engine;
    DeviceReadings readings;
    CommandWorker worker{engine, readings};
    std::atomic<bool> keepScanning{true};
    std::mutex lock_;
    std::condition_variable signal;    // with lock_
    std::vector<Outcome> outcomes;     // guarded by lock_
    int portErrors = 0;                // guarded by lock_
};

TEST_F(WorkerFaultTest, EveryFaultEndsEachCommandInADefiniteOutcomeAndTheCommandWorksAfterReopening)
{
    struct Case {
        std::vector<std::string> controls;
        std::vector<CmdOutcome> expected;  // per entry of kCommands
        bool mayLoseTheReply = false;      // then RESULT_FAILED is accepted too
    };
    const std::vector<CmdOutcome> allOk(std::size(kCommands), RESULT_OK);
    const std::vector<CmdOutcome> allFailed(std::size(kCommands), RESULT_FAILED);
    // A text line in front of the model reply (noise, filler) is read as an
    // unsupported model; an echoed query, a status line and an empty framed
    // line are skipped. A full read does not check the model; the writing
    // commands do.
    const std::vector<CmdOutcome> foreignModel = {RESULT_UNSUPPORTED, RESULT_OK,          RESULT_UNSUPPORTED,
                                                  RESULT_UNSUPPORTED, RESULT_UNSUPPORTED, RESULT_OK};
    // Noise without a line end glues onto the reply line, which then matches
    // nothing but a model text.
    const std::vector<CmdOutcome> gluedNoise = {RESULT_FAILED,      RESULT_FAILED,      RESULT_UNSUPPORTED,
                                                RESULT_UNSUPPORTED, RESULT_UNSUPPORTED, RESULT_FAILED};
    const Case cases[] = {
        {{"fault silence on"}, allFailed},
        // Every limit (1200 ms, 2000 ms for a restart) passes before the reply.
        {{"fault late 3000"}, allFailed},
        {{"fault garbage 40"}, gluedNoise},
        {{"fault garbage 40", "fault split on"}, gluedNoise},
        // 255 bytes with the carriage return are one unmatched line; 256 are too long.
        {{"fault longline 255"}, foreignModel},
        {{"fault longline 256"}, allFailed},
        {{"fault longline 600", "fault split on"}, allFailed},
        // A burst that leaves the reply within the 1024-byte bound loses
        // nothing; beyond it the reply may be among the bytes dropped before
        // collection.
        {{"fault burst 900"}, foreignModel},
        {{"fault burst 1500"}, foreignModel, true},
        {{"fault echo on"}, allOk},
        {{"fault split on"}, allOk},
        {{"fault echo on", "fault split on"}, allOk},
        // The model is the framed text; a framed version or "+SCANNING" is
        // recognised by nothing.
        {{"fault framed on"}, {RESULT_OK, RESULT_FAILED, RESULT_OK, RESULT_FAILED, RESULT_OK, RESULT_OK}},
        {{"model ZANTOR-KX999"}, foreignModel},
    };
    for (const Case& c : cases) {
        for (size_t k = 0; k < std::size(kCommands); ++k) {
            const int32_t id = kCommands[k];
            SCOPED_TRACE(c.controls.back() + ", id " + std::to_string(id));
            sim.Set("reset");
            SetUpAdapter();
            for (const std::string& control : c.controls)
                sim.Set(control);
            const CmdOutcome outcome = Run(id);
            if (c.mayLoseTheReply && outcome == RESULT_FAILED)
                SUCCEED() << "the reply was dropped with the burst";
            else
                EXPECT_EQ(outcome, c.expected[k]);
            ForgetScan();

            // The port opens again and the same command works. (Reopening
            // also drops a reply cut short by the reset, which under Wine may
            // still wait in the port's own buffer.)
            CloseAndExpectNothingLeft();
            sim.Set("reset");
            SetUpAdapter();
            ASSERT_FALSE(engine.Open(sim.PortName(), 115200, 0, 0));
            worker.Start();
            EXPECT_EQ(Run(id), RESULT_OK) << "after the fault";
            ForgetScan();
        }
    }
}

TEST_F(WorkerFaultTest, HangUpEndsTheCommandAndTheAdapterCanBeUsedAgain)
{
    enum class When { DuringACommand, DuringAFullRead, DuringASlotSave, DuringAScan };
    const struct {
        When when;
        int32_t id;
        unsigned hangupAfter;  // answered commands before the line drops; 0: hang up at once
    } cases[] = {
        {When::DuringACommand, CMD_RESTART, 0},
        {When::DuringAFullRead, CMD_READ_DEVICE, 6},   // after the first two slots
        {When::DuringASlotSave, CMD_SAVE_SLOTS, 4},    // after the model check and three writes
        {When::DuringAScan, CMD_START_SCAN, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.when));
        {
            std::lock_guard<std::mutex> lock(lock_);
            portErrors = 0;
        }
        const size_t seen = OutcomeCount();
        const unsigned long long base = std::stoull(sim.Set("count").substr(3));
        if (c.when == When::DuringACommand)
            sim.Set("fault silence on");
        if (c.hangupAfter > 0)
            sim.Set("hangup-after " + std::to_string(c.hangupAfter));
        worker.EnqueueCommand(c.id);
        if (c.when == When::DuringACommand) {
            ASSERT_TRUE(sim.WaitForCommandCount(base + 1));  // the restart waits for its unsent reply
            sim.Set("hangup");
        } else if (c.when == When::DuringAScan) {
            ASSERT_EQ(NextOutcomeOf(CMD_START_SCAN, seen), RESULT_OK);
            ASSERT_EQ(NextOutcomeOf(CMD_WAIT_REPORT, seen), RESULT_OK);
            sim.Set("hangup");
        }
        ASSERT_TRUE(WaitForPortError());
        engine.Close();

        // During a scan the reports before the hang-up succeeded and the wait under way fails.
        const int32_t failing = c.when == When::DuringAScan ? CMD_WAIT_REPORT : c.id;
        EXPECT_TRUE(WaitFor({failing, RESULT_FAILED}, seen));
        CloseAndExpectNothingLeft();

        // Plugged in again: the port opens and the adapter answers as before.
        sim.Set("reopen");
        sim.Set("reset");
        SetUpAdapter();
        worker.scanState = SCAN_IDLE;  // as the window does when the port closes
        ASSERT_FALSE(engine.Open(sim.PortName(), 115200, 0, 0));
        worker.Start();
        EXPECT_EQ(Run(CMD_IDENTIFY), RESULT_OK);
        EXPECT_EQ(Run(CMD_READ_DEVICE), RESULT_OK);
        EXPECT_EQ(readings.modelIndex, MODEL_KX420);
    }
}

}  // namespace

namespace {

// A command that throws (here its send observer; in the field, no memory for
// a reply) fails like any other command, and the worker goes on.
TEST_F(WorkerFaultTest, CommandThatThrowsFailsAndTheWorkerCarriesOn)
{
    std::atomic<bool> throwNext{true};
    engine.onSend = [&throwNext](const ZantorKX4xxComm*, const std::vector<uint8_t>&) {
        if (throwNext.exchange(false))
            throw std::bad_alloc();
    };
    EXPECT_EQ(Run(CMD_IDENTIFY), RESULT_FAILED);
    EXPECT_EQ(Run(CMD_IDENTIFY), RESULT_OK);
    EXPECT_EQ(Run(CMD_READ_DEVICE), RESULT_OK);
}

}  // namespace
