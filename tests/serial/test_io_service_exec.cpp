#include "serial/io_service_exec.h"

#include <asio/post.hpp>
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

TEST(IoServiceExec, ThreadCountIsHalfTheHardwareAtLeastOne)
{
    const struct {
        unsigned hardware;
        unsigned threads;
    } cases[] = {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 2}, {16, 8}};
    for (const auto& c : cases)
        EXPECT_EQ(IoServiceExec::ThreadCountFor(c.hardware), c.threads) << "hardware " << c.hardware;
}

TEST(IoServiceExec, RunsPostedWorkAndStartsNoSecondSetOfThreads)
{
    IoServiceExec exec;
    std::promise<void> release;
    auto released = release.get_future().share();
    std::promise<void> ran;
    // A blocked handler keeps the context busy, so the threads stay in run().
    asio::post(exec.Context(), [&ran, released] {
        ran.set_value();
        released.wait();
    });
    exec.StartThreads();
    const size_t held = exec.HeldThreadCount();
    EXPECT_EQ(held, IoServiceExec::ThreadCountFor(std::thread::hardware_concurrency()));
    ASSERT_EQ(ran.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);

    exec.StartThreads();
    EXPECT_EQ(exec.HeldThreadCount(), held);

    release.set_value();
    exec.Stop();
    EXPECT_EQ(exec.HeldThreadCount(), 0u);
    EXPECT_TRUE(exec.Context().stopped());
}

TEST(IoServiceExec, DrainedThreadsExitAndStopThenRestartRunsWorkAgain)
{
    IoServiceExec exec;
    exec.StartThreads();  // no work: run() returns at once and the threads leave
    exec.Stop();          // would hang here if a drained thread kept spinning
    exec.Stop();          // a second Stop only re-checks the context
    EXPECT_TRUE(exec.Context().stopped());

    std::promise<void> ran;
    asio::post(exec.Context(), [&ran] { ran.set_value(); });
    exec.StartThreads();
    EXPECT_EQ(ran.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    exec.Stop();
}

TEST(IoServiceExec, StopWithoutThreadsStopsTheContext)
{
    IoServiceExec exec;
    EXPECT_FALSE(exec.Context().stopped());
    exec.Stop();
    EXPECT_TRUE(exec.Context().stopped());
}

// Holders on many threads at once (batch sessions opening and closing): the
// threads are there, and run work, exactly while someone holds them, and the
// last release joins them.
TEST(IoServiceExec, HoldsTakenAndGivenBackOnManyThreadsAtOnce)
{
    IoServiceExec exec;
    const size_t expected = IoServiceExec::ThreadCountFor(std::thread::hardware_concurrency());
    constexpr int kHolders = 8;
    constexpr int kRounds = 50;
    std::atomic<int> wrongCounts{0};
    std::atomic<int> workRun{0};
    std::vector<std::thread> holders;
    for (int h = 0; h < kHolders; ++h) {
        holders.emplace_back([&] {
            for (int round = 0; round < kRounds; ++round) {
                exec.Acquire();
                if (exec.HeldThreadCount() != expected)
                    ++wrongCounts;
                std::promise<void> ran;
                asio::post(exec.Context(), [&ran] { ran.set_value(); });
                if (ran.get_future().wait_for(std::chrono::seconds(10)) == std::future_status::ready)
                    ++workRun;
                exec.Release();
            }
        });
    }
    for (std::thread& holder : holders)
        holder.join();
    EXPECT_EQ(wrongCounts.load(), 0);
    EXPECT_EQ(workRun.load(), kHolders * kRounds);
    EXPECT_EQ(exec.HeldThreadCount(), 0u);
    EXPECT_TRUE(exec.Context().stopped());
    EXPECT_THROW(exec.Release(), std::logic_error);
}
