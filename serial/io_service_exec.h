// IoServiceExec: the process-wide I/O context on which every serial read and
// write completes, and the worker threads that run it.
//
// One global instance lives from static initialisation to static destruction.
// Threads exist only while a port is open: the protocol engine calls
// StartThreads after the first successful open and Stop when the count of
// open ports (OpenPortCount) falls back to zero.
#pragma once

#include <asio/io_context.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class IoServiceExec {
public:
    IoServiceExec();
    virtual ~IoServiceExec();
    IoServiceExec(const IoServiceExec&) = delete;
    IoServiceExec& operator=(const IoServiceExec&) = delete;

    asio::io_context& Context() { return ioContext; }

    // Starts the worker threads unless thread objects are already held (even
    // finished ones). Throws std::system_error when a thread cannot be made.
    void StartThreads();
    // Tells the threads to leave, joins them in start order and stops the
    // context. Threads still kept in run() by outstanding work (a port left
    // open, for one at process exit) are given kDrainGrace to finish it; then
    // the context is stopped so that the join cannot hang. Must not run on a
    // worker thread.
    void Stop();

    // Threads for a given hardware concurrency: half of it, at least one.
    static unsigned ThreadCountFor(unsigned hardwareConcurrency);
    size_t HeldThreadCount() const { return threads.size(); }

    static constexpr std::chrono::milliseconds kDrainGrace{500};

private:
    void ThreadMain();
    // Whether every started thread left ThreadMain within the wait.
    bool WaitForThreadsToLeave(std::chrono::milliseconds wait);

    asio::io_context ioContext;
    std::vector<std::unique_ptr<std::thread>> threads;
    std::atomic<bool> stopFlag{false};
    std::mutex exitMutex;
    std::condition_variable threadLeft;  // with exitMutex
    size_t threadsLeft = 0;              // guarded by exitMutex; threads of this start that left ThreadMain
};

// The global executor, built during static initialisation.
extern IoServiceExec gIoServiceExec;

// Count of protocol engines whose port is open; maintained by the engine.
extern std::atomic<int> OpenPortCount;
