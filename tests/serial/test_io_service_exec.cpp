#include "serial/io_service_exec.h"

#include <asio/post.hpp>
#include <gtest/gtest.h>

#include <future>

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
