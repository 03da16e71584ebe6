// The command queue and its worker thread.
#include "device/command_worker.h"

#include <stdexcept>

CommandWorker::CommandWorker(ZantorKX4xxComm& theEngine, DeviceReadings& readings)
    : engine(theEngine),
      commands(engine, readings, scanState,
               [this](std::chrono::milliseconds duration) { return PauseUnlessStopping(duration); })
{
}

CommandWorker::~CommandWorker()
{
    Stop();
}

void CommandWorker::Start()
{
    if (worker.joinable())
        throw std::logic_error("CommandWorker::Start: a worker already runs");
    {
        std::lock_guard<std::mutex> lock(queueLock);
        queue.clear();
        stopping = false;
        busy.store(false);
    }
    // What an earlier opening collected, or its closed port's failure, does
    // not carry over: this opening's first scan collects from its start.
    collection.Clear();
    worker = std::thread(&CommandWorker::WorkerMain, this);
}

void CommandWorker::Stop()
{
    if (!worker.joinable())
        return;
    EnqueueCommand(CMD_QUIT, true);
    worker.join();
    busy.store(false);
}

void CommandWorker::EnqueueCommand(int32_t id, bool clearFirst)
{
    {
        std::lock_guard<std::mutex> lock(queueLock);
        if (clearFirst)
            queue.clear();
        queue.push_back(id);
        if (id == CMD_QUIT)
            stopping = true;
        busy.store(true);
    }
    queueSignal.notify_all();
}

void CommandWorker::SetInputs(const CommandInputs& newInputs)
{
    std::lock_guard<std::mutex> lock(queueLock);
    inputs = newInputs;
}

CommandInputs CommandWorker::Inputs() const
{
    std::lock_guard<std::mutex> lock(queueLock);
    return inputs;
}

void CommandWorker::WorkerMain()
{
    std::unique_lock<std::mutex> lock(queueLock);
    bool collecting = false;
    for (;;) {
        // While the adapter scans and the window lists the last batch, the
        // reports arriving meanwhile are taken off the engine as they come:
        // its receive bound would otherwise fill and lose lines. A queued id
        // ends the collection within one wait step.
        while (queue.empty() && collecting) {
            lock.unlock();
            collecting = CollectReportOrStop();
            lock.lock();
        }
        queueSignal.wait(lock, [this] { return !queue.empty(); });
        const int32_t id = queue.front();
        queue.pop_front();
        if (id == CMD_QUIT)
            return;  // the ids behind it are never taken
        busy.store(true);
        const CommandInputs taken = inputs;

        // The lock is not held while the command runs: queueing never waits
        // for an exchange, and the outcome handler may take any lock of its own.
        lock.unlock();
        const std::optional<CmdOutcome> outcome = ExecuteOrFail(id, taken);
        if (outcome && onOutcome)
            onOutcome(id, *outcome);
        lock.lock();
        collecting = true;

        // Still busy when more ids wait; the next one is taken at once.
        busy.store(!queue.empty());
    }
}

std::optional<CmdOutcome> CommandWorker::ExecuteOrFail(int32_t id, const CommandInputs& taken)
{
    // An exception leaving the thread would end the program; a command that
    // could not be carried out (no memory for a reply) failed, and the
    // window's handling of a failure (a new identification) follows.
    try {
        return commands.Execute(id, taken, collection);
    } catch (...) {
        return RESULT_FAILED;
    }
}

bool CommandWorker::CollectReportOrStop()
{
    try {
        return collection.KeepCollecting(engine, scanState.load());
    } catch (...) {
        return false;  // the next command's exchanges find out what is wrong
    }
}

bool CommandWorker::PauseUnlessStopping(std::chrono::milliseconds duration)
{
    std::unique_lock<std::mutex> lock(queueLock);
    return !queueSignal.wait_for(lock, duration, [this] { return stopping; });
}
