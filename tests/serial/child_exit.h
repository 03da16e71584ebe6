// Runs a body in a child process that then leaves through std::exit, so that
// static destruction (the global I/O executor's included) runs as at the end
// of the program. The parent waits generously and kills a child that hangs.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

enum class ChildEnd { ExitedZero, ExitedOtherwise, Hung };

inline ChildEnd RunChildThenExit(const std::function<void()>& body,
                                 std::chrono::seconds limit = std::chrono::seconds(30))
{
    const pid_t child = fork();
    if (child == 0) {
        body();
        std::exit(0);
    }
    if (child < 0)
        return ChildEnd::ExitedOtherwise;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return ChildEnd::Hung;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ChildEnd::ExitedZero : ChildEnd::ExitedOtherwise;
}
