// ExecutorShare: a batch of adapters worked on at once holds the process's
// I/O executor for its whole length, as one more holder beside the engines,
// so that the threads are not joined and started again between adapters.
// The executor's holds are locked, so adapter threads opening and closing
// at once are safe with or without it.
#pragma once

class ExecutorShare {
public:
    ExecutorShare();
    // Gives the hold back: the last one joins the I/O threads.
    ~ExecutorShare();
    ExecutorShare(const ExecutorShare&) = delete;
    ExecutorShare& operator=(const ExecutorShare&) = delete;
};
