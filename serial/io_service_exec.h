// IoServiceExec: the process-wide I/O context on which every serial read and
// write completes, and the worker threads that run it.
//
// One global instance lives from static initialisation to static destruction.
// Threads exist exactly while someone holds the executor: every open port
// (the protocol engine's Open and Close) and a batch of adapters worked on
// at once each take one hold (Acquire) and give it back (Release). The
// first hold starts the threads, the last release joins them, and while
// any hold is taken the context never runs out of work, so the threads
// stay in run() even when every port of the moment has hung up. Acquire
// and Release may be called from any thread but a worker thread; they are
// serialised by holdLock, so a release that joins the threads never
// overlaps an acquire that expects them.
#pragma once

#include <asio/executor_work_guard.hpp>
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

    // Takes one hold; the first one starts the threads. Throws
    // std::system_error when a thread cannot be made (no hold is then taken).
    void Acquire();
    // Gives one hold back; the last one joins the threads and stops the context.
    void Release();

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
    size_t HeldThreadCount() const;

    static constexpr std::chrono::milliseconds kDrainGrace{500};

private:
    void ThreadMain();
    // Whether every started thread left ThreadMain within the wait.
    bool WaitForThreadsToLeave(std::chrono::milliseconds wait);

    asio::io_context ioContext;
    // Lock order: holdLock before exitMutex. StartThreads and Stop change
    // threads; called directly (single-threaded users) or under holdLock.
    mutable std::mutex holdLock;
    int holds = 0;  // guarded by holdLock; counted in OpenPortCount too
    std::unique_ptr<asio::executor_work_guard<asio::io_context::executor_type>> work;  // guarded by holdLock
    std::vector<std::unique_ptr<std::thread>> threads;
    std::atomic<bool> stopFlag{false};
    std::mutex exitMutex;
    std::condition_variable threadLeft;  // with exitMutex
    size_t threadsLeft = 0;              // guarded by exitMutex; threads of this start that left ThreadMain
};

// The global executor, built during static initialisation.
extern IoServiceExec gIoServiceExec;

// The holds taken on executors: engines whose port is open, and batches.
// Changed only by IoServiceExec::Acquire and Release.
extern std::atomic<int> OpenPortCount;
