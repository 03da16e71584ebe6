#include "serial/io_service_exec.h"

#include <exception>

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

void IoServiceExec::StartThreads()
{
    if (!threads.empty())
        return;
    stopFlag.exchange(false);
    ioContext.restart();
    const unsigned count = ThreadCountFor(std::thread::hardware_concurrency());
    for (unsigned i = 0; i < count; ++i)
        threads.push_back(std::make_unique<std::thread>(ThreadMain, std::ref(ioContext), std::cref(stopFlag)));
}

void IoServiceExec::Stop()
{
    if (!stopFlag.exchange(true)) {
        for (auto& thread : threads)
            thread->join();
        threads.clear();
    }
    if (!ioContext.stopped())
        ioContext.stop();
}

void IoServiceExec::ThreadMain(asio::io_context& context, const std::atomic<bool>& stopFlag)
{
    // run() returns when no work is left, which marks the context stopped:
    // the thread then leaves instead of spinning on an idle context.
    while (!stopFlag.load()) {
        try {
            context.run();
        } catch (const std::exception&) {
            return;
        }
        if (context.stopped())
            return;
    }
}
