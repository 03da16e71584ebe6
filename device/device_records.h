// What the worker reads (CommandInputs, written by the user interface before
// a command is queued) and what it writes (DeviceReadings, written before the
// outcome is reported and read by the user interface after it).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "device/worker_types.h"
#include "protocol/reply_result.h"

constexpr int kSlotCount = 7;
// Reports handed over by one CMD_WAIT_REPORT at most: those that arrive while
// the window lists the last ones go together, so a fast adapter costs one
// outcome per batch rather than one per report.
constexpr size_t kScanBatchLimit = 64;
// Reports the worker keeps at most while the window lists the last batch
// (about a second of what a 115200-baud line carries): beyond it, the
// engine's own receive bounds protect against a flooding adapter.
constexpr size_t kScanBacklogLimit = 512;
constexpr size_t kUserTextLimit = 8;  // UTF-8 bytes of a device name, name filter or slot tag

struct CommandInputs {
    unsigned baudRate = 115200;        // of the open port; sets the model query's time limit
    std::string pendingName;           // UTF-8, at most 8 bytes
    uint32_t pendingAdvInterval = 0;   // milliseconds
    UartOptions pendingUart{};         // the adapter's own UART options
    bool nameFilterOn = false;
    char nameFilter[kReplyTextSize] = {};  // UTF-8, zero-terminated, 1 to 8 bytes when on
    std::array<SlotRecord, kSlotCount> slotsToWrite{};  // an all-zero address deletes the slot
};

struct DeviceReadings {
    DeviceModel modelIndex = MODEL_NONE;
    std::string modelText;                 // the last model text read
    char version[kReplyTextSize] = {};     // replaced only by a complete read
    DeviceInfo info{};                     // replaced only by a complete read
    uint16_t advInterval = 0;
    UartOptions uart{};
    std::array<SlotRecord, kSlotCount> slots{};
    // The reports of the last CMD_WAIT_REPORT, in the order they arrived.
    std::array<ScanReport, kScanBatchLimit> scanReports{};
    size_t scanReportCount = 0;
};
