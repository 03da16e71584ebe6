// OperationLog: --log FILE, one JSON line appended per adapter and operation,
// so that a batch can be followed adapter by adapter afterwards:
//   {"time":"2026-12-10T20:15:03.123Z","port":"/dev/ttyUSB1","address":"C0FFEE000001",
//    "model":"ZANTOR-KX400","version":"1.04","operation":"snapshot apply",
//    "written":{...},"readBack":{...},"result":"applied and verified","exitCode":0}
// An address, model or version the operation never read is null.
//
// A line that cannot be written (a full disk) is never left half written;
// the log remembers the failure, the run's adapters still to come are not
// started, and the run ends with kExitFailure.
//
// Threads: Append may be called from several adapter threads at once; each
// line is written whole under the log's lock.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/append_file.h"
#include "cli/cli_context.h"
#include "device/device_records.h"

struct OperationRecord {
    std::string port;
    const DeviceReadings* readings = nullptr;  // what was read from the adapter; null when it was never opened
    std::string operation;
    nlohmann::json written;
    nlohmann::json readBack;
    std::string result;
    int exitCode = kExitOk;
};

class OperationLog {
public:
    // Opens path for appending; the system's error when it cannot.
    std::error_code Open(const std::string& path);
    // Appends record's line; false (and Failed() from then on) when it
    // could not be written whole.
    bool Append(const OperationRecord& record);
    // The first failed write's error; empty while every line was written.
    std::error_code Failed() const;

    // The line of a record, with the current UTC time.
    static std::string Line(const OperationRecord& record);

private:
    mutable std::mutex lock;
    AppendFile file;               // guarded by lock
    std::error_code writeFailure;  // guarded by lock
};

// Opens --log once per run, before anything is sent. Fails with
// kExitBadArguments when the file cannot be opened for appending or is the
// same file as inputFile (the command's snapshot or slots file); kExitOk
// without --log.
int OpenOperationLog(CliContext& context, const std::string& inputFile = std::string());
// Appends record when --log is on; false when the line could not be written.
bool LogOperation(CliContext& context, const OperationRecord& record);
// Whether the log has failed a write; true without --log.
bool LogWritable(const CliContext& context);
// The run's exit code once the log is closed: kExitFailure, with a message,
// when a line could not be written; else code.
int FinishOperationLog(CliContext& context, int code);
