#include "cli/operation_log.h"

#include <chrono>
#include <cstdio>

#include "cli/device_output.h"
#include "cli/device_text.h"
#include "text/error_text.h"
#include "text/text_convert.h"

namespace {

// ISO 8601 UTC with milliseconds, from the system clock. The civil date is
// computed here (days since 1970 to year, month, day) because gmtime is not
// safe on several threads and its safe forms differ between platforms.
std::string UtcNow()
{
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    long long days = sinceEpoch / 86400000;
    long long msOfDay = sinceEpoch % 86400000;
    if (msOfDay < 0) {
        msOfDay += 86400000;
        --days;
    }
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long dayOfEra = z - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long mp = (5 * dayOfYear + 2) / 153;
    const long long day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char text[40] = {};
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld.%03lldZ", year, month, day,
                  msOfDay / 3600000, msOfDay / 60000 % 60, msOfDay / 1000 % 60, msOfDay % 1000);
    return text;
}

}  // namespace

std::error_code OperationLog::Open(const std::string& path)
{
    std::lock_guard<std::mutex> guard(lock);
    return file.Open(path);
}

std::string OperationLog::Line(const OperationRecord& record)
{
    nlohmann::ordered_json line;
    line["time"] = UtcNow();
    line["port"] = record.port;
    line["address"] = nullptr;
    line["model"] = nullptr;
    line["version"] = nullptr;
    if (const DeviceReadings* readings = record.readings) {
        if (!IsZeroAddress(readings->info.address))
            line["address"] = BdAddrToHex(readings->info.address);
        if (!readings->modelText.empty())
            line["model"] = EscapeDeviceText(readings->modelText);
        const std::string version = ShownField(readings->version, sizeof readings->version);
        if (!version.empty())
            line["version"] = version;
    }
    line["operation"] = record.operation;
    line["written"] = record.written;
    line["readBack"] = record.readBack;
    line["result"] = record.result;
    line["exitCode"] = record.exitCode;
    return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool OperationLog::Append(const OperationRecord& record)
{
    const std::string line = Line(record) + '\n';
    std::lock_guard<std::mutex> guard(lock);
    if (writeFailure)
        return false;
    writeFailure = file.Append(line);
    return !writeFailure;
}

std::error_code OperationLog::Failed() const
{
    std::lock_guard<std::mutex> guard(lock);
    return writeFailure;
}

int OpenOperationLog(CliContext& context, const std::string& inputFile)
{
    if (context.logFile.empty() || context.log)
        return kExitOk;
    auto log = std::make_shared<OperationLog>();
    if (const std::error_code error = log->Open(context.logFile))
        return context.console.Fail(kExitBadArguments,
                                    "Cannot write the log file " + context.logFile + ": " + ErrorText(error) + ".");
    // Compared once the log exists, so that a file yet to be written counts too.
    if (!inputFile.empty() && SameFile(context.logFile, inputFile))
        return context.console.Fail(kExitBadArguments, "The log file " + context.logFile + " is the same file as " +
                                                           inputFile + ": name another file for --log.");
    context.log = std::move(log);
    return kExitOk;
}

bool LogOperation(CliContext& context, const OperationRecord& record)
{
    return !context.log || context.log->Append(record);
}

bool LogWritable(const CliContext& context)
{
    return !context.log || !context.log->Failed();
}

int FinishOperationLog(CliContext& context, int code)
{
    if (!context.log)
        return code;
    const std::error_code error = context.log->Failed();
    if (!error)
        return code;
    // On standard error even with --json: the run's report is already out,
    // and standard output stays one JSON document.
    context.console.lastFailure =
        "Cannot write the log file " + context.logFile + ": " + ErrorText(error) + "; the log is incomplete.";
    context.console.ErrLine("kx4xx: " + context.console.lastFailure);
    return kExitFailure;
}
