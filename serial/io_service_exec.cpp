#include "serial/io_service_exec.h"

#include <exception>
#include <stdexcept>

IoServiceExec gIoServiceExec;
std::atomic<int> OpenPortCount{0};

IoServiceExec::IoServiceExec() = default;

IoServiceExec::~IoServiceExec()
{
    Stop();
}

unsigned IoServiceExec::ThreadCountFor(unsigned hardwareConcurrency)
{
    return hardwareConcurrency >= 2 ? hardwareConcurrency / 2 : 1;
}

void IoServiceExec::Acquire()
{
    std::lock_guard<std::mutex> lock(holdLock);
    if (holds == 0) {
        work = std::make_unique<asio::executor_work_guard<asio::io_context::executor_type>>(
            asio::make_work_guard(ioContext));
        try {
            StartThreads();
        } catch (...) {
            work.reset();
            Stop();
            throw;
        }
    }
    ++holds;
    ++OpenPortCount;
}

void IoServiceExec::Release()
{
    std::lock_guard<std::mutex> lock(holdLock);
    if (holds == 0)
        throw std::logic_error("IoServiceExec::Release without a hold");
    --holds;
    --OpenPortCount;
    if (holds == 0) {
        // Without the guard the threads run out of work once the ports'
        // reads are cancelled, and leave.
        work.reset();
        Stop();
    }
}

size_t IoServiceExec::HeldThreadCount() const
{
    std::lock_guard<std::mutex> lock(holdLock);
    return threads.size();
}

void IoServiceExec::StartThreads()
{
    if (!threads.empty())
        return;
    stopFlag.exchange(false);
    ioContext.restart();
    {
        std::lock_guard<std::mutex> lock(exitMutex);
        threadsLeft = 0;
    }
    const unsigned count = ThreadCountFor(std::thread::hardware_concurrency());
    for (unsigned i = 0; i < count; ++i)
        threads.push_back(std::make_unique<std::thread>(&IoServiceExec::ThreadMain, this));
}

void IoServiceExec::Stop()
{
    if (!stopFlag.exchange(true)) {
        // Threads whose work is done leave by themselves; one kept in run()
        // by an open port's read would make the join wait forever.
        if (!WaitForThreadsToLeave(kDrainGrace))
            ioContext.stop();
        for (auto& thread : threads)
            thread->join();
        threads.clear();
    }
    if (!ioContext.stopped())
        ioContext.stop();
}

bool IoServiceExec::WaitForThreadsToLeave(std::chrono::milliseconds wait)
{
    std::unique_lock<std::mutex> lock(exitMutex);
    return threadLeft.wait_for(lock, wait, [this] { return threadsLeft == threads.size(); });
}

void IoServiceExec::ThreadMain()
{
    // run() returns when no work is left, which marks the context stopped:
    // the thread then leaves instead of spinning on an idle context.
    while (!stopFlag.load()) {
        // A handler that throws leaves run(); the other ports' completions
        // still need this thread, so it runs the context again. The port
        // whose handler failed stops reading, and its requests time out.
        try {
            ioContext.run();
        } catch (...) {
            continue;
        }
        if (ioContext.stopped())
            break;
    }
    std::lock_guard<std::mutex> lock(exitMutex);
    ++threadsLeft;
    threadLeft.notify_all();
}
