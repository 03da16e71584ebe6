#include "cli/interrupt.h"

#include <csignal>

namespace {

std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is written from a signal handler");

extern "C" void OnInterrupt(int)
{
    gInterrupted.store(true);
}

}  // namespace

void InstallInterruptHandler()
{
    std::signal(SIGINT, OnInterrupt);
}

const std::atomic<bool>& InterruptFlag()
{
    return gInterrupted;
}
