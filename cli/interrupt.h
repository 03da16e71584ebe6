// The process's Ctrl+C flag: the first Ctrl+C sets it so that a running
// scan ends with its stop command; the handler does nothing else.
#pragma once

#include <atomic>

// Installs the handler (SIGINT; the C runtime maps Ctrl+C to it on Windows).
void InstallInterruptHandler();
const std::atomic<bool>& InterruptFlag();
