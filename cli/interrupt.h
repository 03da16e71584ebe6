// The process's stop flag: the first Ctrl+C (SIGINT) or SIGTERM sets it, so
// that a batch finishes the adapters in progress and starts no new one, and
// a running scan ends with its stop command; the handler does nothing else.
#pragma once

#include <atomic>

// Installs the handler for SIGINT (the C runtime maps Ctrl+C to it on
// Windows) and SIGTERM.
void InstallInterruptHandler();
const std::atomic<bool>& InterruptFlag();
// The signal that set the flag; 0 while none came.
const std::atomic<int>& InterruptSignal();
