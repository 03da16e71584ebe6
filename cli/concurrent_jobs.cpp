#include "cli/concurrent_jobs.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

void RunConcurrently(size_t count, unsigned limit, const std::function<void(size_t index)>& job)
{
    const size_t threadCount = limit == 0 || limit > count ? count : limit;
    std::atomic<size_t> next{0};
    std::mutex failureLock;
    std::exception_ptr failure;  // guarded by failureLock; the first one
    auto runner = [&] {
        for (size_t index = next++; index < count; index = next++) {
            try {
                job(index);
            } catch (...) {
                std::lock_guard<std::mutex> guard(failureLock);
                if (!failure)
                    failure = std::current_exception();
            }
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(threadCount);
    try {
        for (size_t i = 0; i < threadCount; ++i)
            threads.emplace_back(runner);
    } catch (...) {
        // No more threads: the ones started take the remaining items.
        if (threads.empty())
            throw;
    }
    for (std::thread& thread : threads)
        thread.join();
    if (failure)
        std::rethrow_exception(failure);
}
