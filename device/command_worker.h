// CommandWorker: the command queue and the one worker thread that carries
// out queued commands one at a time, in queue order, through DeviceCommands.
//
// The user interface queues ids (EnqueueCommand); the worker reports each
// outcome through onOutcome, on the worker thread. The queue lock guards only
// the queue and the inputs: the worker releases it while it carries out a
// command, so queueing never waits for a running command and a window that
// closes the port while a command runs cannot deadlock with the worker.
// Between commands while the adapter scans, the worker keeps taking scan
// reports off the engine into its ScanCollection until an id arrives, so
// reports keep flowing while the window lists the last batch. The
// collection is the worker's alone and starts empty at every Start.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "device/device_commands.h"

class CommandWorker {
public:
    using OutcomeHandler = std::function<void(int32_t id, CmdOutcome outcome)>;

    CommandWorker(ZantorKX4xxComm& engine, DeviceReadings& readings);  // we don't own them
    ~CommandWorker();  // stops the worker if it still runs
    CommandWorker(const CommandWorker&) = delete;
    CommandWorker& operator=(const CommandWorker&) = delete;

    // Empties the queue and the scan collection and starts the worker thread. Throws std::logic_error
    // when a worker already runs, std::system_error when no thread can be made.
    void Start();
    // Queues CMD_QUIT in front of everything and joins the worker. Close the
    // engine first so that an exchange in progress returns at once.
    void Stop();
    bool IsRunning() const { return worker.joinable(); }

    // Appends id (after discarding the queue when clearFirst) and sets busy.
    void EnqueueCommand(int32_t id, bool clearFirst = false);
    // Sets the inputs the next commands use; written under the queue lock.
    void SetInputs(const CommandInputs& inputs);
    CommandInputs Inputs() const;

    // Assigned once before Start. Called on the worker thread.
    OutcomeHandler onOutcome;

    std::atomic<bool> busy{false};         // a command is queued or running
    std::atomic<ScanState> scanState{SCAN_IDLE};

    // Scan reports collected since the last CMD_WAIT_REPORT; any thread.
    size_t CollectedReports() const { return collection.Size(); }

private:
    void WorkerMain();
    // Execute and KeepCollecting, with an exception turned into the failure
    // of the command (RESULT_FAILED) or the end of the collection.
    std::optional<CmdOutcome> ExecuteOrFail(int32_t id, const CommandInputs& taken);
    bool CollectReportOrStop();
    // Sleeps for duration; false when CMD_QUIT arrived meanwhile.
    bool PauseUnlessStopping(std::chrono::milliseconds duration);

    ZantorKX4xxComm& engine;
    DeviceCommands commands;    // worker thread only
    ScanCollection collection;  // worker thread only, and Start before the thread runs
    mutable std::mutex queueLock;
    std::condition_variable queueSignal;  // with queueLock
    std::deque<int32_t> queue;            // guarded by queueLock
    CommandInputs inputs;                 // guarded by queueLock
    bool stopping = false;                // guarded by queueLock; cuts pauses short
    std::thread worker;
};
