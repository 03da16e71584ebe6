#include "cli/retry_policy.h"

#include <algorithm>
#include <thread>

void AddRetryOption(CLI::App& command, CliContext& context)
{
    command.add_option("--retry", context.values.retries,
                       "Try an adapter again up to N more times after no reply or a port failure "
                       "(not after a refusal, an unsupported model or a failed read back); under provision "
                       "--watch, unplug and plug in an adapter to try it again after that");
}

bool IsTransientFailure(int exitCode)
{
    return exitCode == kExitNoReply || exitCode == kExitPortOpen;
}

bool PauseBeforeRetry(const CliContext& context)
{
    constexpr auto kSlice = std::chrono::milliseconds(50);
    const auto until = std::chrono::steady_clock::now() + kRetryPause;
    while (!context.interrupted.load()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= until)
            return true;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kSlice, until - now));
    }
    return false;
}
