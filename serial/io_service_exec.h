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
#include <memory>
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
    // context. Must not run on a worker thread.
    void Stop();

    // Threads for a given hardware concurrency: half of it, at least one.
    static unsigned ThreadCountFor(unsigned hardwareConcurrency);
    size_t HeldThreadCount() const { return threads.size(); }

private:
    static void ThreadMain(asio::io_context& context, const std::atomic<bool>& stopFlag);

    asio::io_context ioContext;
    std::vector<std::unique_ptr<std::thread>> threads;
    std::atomic<bool> stopFlag{false};
};

// The global executor, built during static initialisation.
extern IoServiceExec gIoServiceExec;

// Count of protocol engines whose port is open; maintained by the engine.
extern std::atomic<int> OpenPortCount;
