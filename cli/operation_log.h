// OperationLog: --log FILE, one JSON line appended per adapter and operation,
// so that a batch can be followed adapter by adapter afterwards:
//   {"time":"2026-12-10T20:15:03.123Z","port":"/dev/ttyUSB1","address":"C0FFEE000001",
//    "model":"ZANTOR-KX400","version":"1.04","operation":"snapshot apply",
//    "written":{...},"readBack":{...},"result":"applied and verified","exitCode":0}
// An address, model or version the operation never read is null.
//
// Threads: Append may be called from several adapter threads at once; each
// line is written and flushed whole under the log's lock.
#pragma once

#include <fstream>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

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
    explicit OperationLog(const std::string& path);
    bool IsOpen() const { return file.is_open() && file.good(); }
    void Append(const OperationRecord& record);

    // The line of a record, with the current UTC time.
    static std::string Line(const OperationRecord& record);

private:
    std::mutex lock;
    std::ofstream file;  // guarded by lock
};

// Opens --log once per run, before anything is sent. Fails with
// kExitBadArguments when the file cannot be written; kExitOk without --log.
int OpenOperationLog(CliContext& context);
// Appends record when --log is on.
void LogOperation(CliContext& context, const OperationRecord& record);
