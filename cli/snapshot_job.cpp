#include "cli/snapshot_job.h"

#include "cli/name_template.h"
#include "cli/results_file.h"
#include "cli/retry_policy.h"
#include "cli/snapshot_verify.h"

namespace {

ApplyResult TryOnce(CliContext& context, const std::string& port, const DeviceSettings& settings,
                    const std::string& operation, const ApplyProgress& progress, unsigned number)
{
    switch (context.values.snapshotMode) {
    case SnapshotMode::kVerify:
        return CompareSnapshot(context, port, settings, "snapshot verify", progress, number);
    case SnapshotMode::kDryRun:
        return CompareSnapshot(context, port, settings, operation + " --dry-run", progress, number);
    case SnapshotMode::kApply:
        break;
    }
    return ApplySnapshot(context, port, settings, operation, progress, number);
}

}  // namespace

ApplyResult RunSnapshotJob(CliContext& context, const std::string& port, const DeviceSettings& settings,
                           const std::string& operation, const ApplyProgress& progress, unsigned number)
{
    ApplyResult result = TryOnce(context, port, settings, operation, progress, number);
    unsigned attempts = 1;
    while (attempts <= context.values.retries && IsTransientFailure(result.exitCode) && PauseBeforeRetry(context)) {
        result = TryOnce(context, port, settings, operation, progress, number);
        ++attempts;
    }
    result.attempts = attempts;
    if (attempts > 1)
        result.result += " (after " + std::to_string(attempts) + " tries)";
    if (result.outcome.empty())
        result.outcome = OutcomeOfExitCode(result.exitCode, context.values.snapshotMode);
    RecordResult(context, number, result);
    return result;
}

int CheckBenchOptions(CliContext& context, unsigned adapters)
{
    if (const int code = CheckBatchNameTemplate(context, adapters))
        return code;
    return CheckResultsTarget(context);
}

std::string OutcomeOfExitCode(int exitCode, SnapshotMode mode)
{
    switch (exitCode) {
    case kExitOk:
        return mode == SnapshotMode::kApply ? "applied" : "matches";
    case kExitBadArguments:
        return "invalid";
    case kExitPortOpen:
        return "port-error";
    case kExitNoReply:
        return "no-reply";
    case kExitUnsupported:
        return "unsupported";
    case kExitRefused:
        return "refused";
    case kExitNotVerified:
        return mode == SnapshotMode::kApply ? "not-verified" : "differs";
    default:
        return "failed";
    }
}
