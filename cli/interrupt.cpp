#include "cli/interrupt.h"

#include <csignal>

namespace {

std::atomic<bool> gInterrupted{false};
std::atomic<int> gSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is written from a signal handler");
static_assert(std::atomic<int>::is_always_lock_free, "the signal is written from a signal handler");

extern "C" void OnInterrupt(int signal)
{
    // The first signal names the stop; a second one changes nothing.
    int none = 0;
    gSignal.compare_exchange_strong(none, signal);
    gInterrupted.store(true);
}

}  // namespace

void InstallInterruptHandler()
{
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

const std::atomic<bool>& InterruptFlag()
{
    return gInterrupted;
}

const std::atomic<int>& InterruptSignal()
{
    return gSignal;
}
