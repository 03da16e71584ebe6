// ExecutorShare: a batch of adapters worked on at once holds the process's
// I/O executor for its whole length, as one more owner beside the engines.
//
// The engines start the executor's threads on the first open and join them
// when the count of open ports falls to zero; both steps take no lock and
// are meant for one thread. With several adapter threads opening and
// closing at once, a close bringing the count to zero could join the
// threads while another engine had just opened on them, and threads left
// without work (every port of the moment hung up) would never run the next
// port's reads. The share, taken on the batch's own thread before any
// adapter thread starts, keeps the count above zero and the threads in work
// until the batch ends; the engines' own start and stop then change nothing.
#pragma once

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>

class ExecutorShare {
public:
    ExecutorShare();
    // Joins the I/O threads when no engine holds a port open any more. Call
    // only after every adapter thread of the batch has been joined.
    ~ExecutorShare();
    ExecutorShare(const ExecutorShare&) = delete;
    ExecutorShare& operator=(const ExecutorShare&) = delete;

private:
    asio::executor_work_guard<asio::io_context::executor_type> work;
};
