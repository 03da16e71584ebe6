// DeviceCommands: the AT exchanges of each queued command, over the engine.
//
// Each command formats its texts (zero-filled 128-byte buffers, 127-byte
// limit), sends them one at a time and stops at the first reply of another
// kind than expected. Values read are stored in DeviceReadings before the
// outcome is returned. No Win32, no threads of its own: the worker calls it.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "device/device_records.h"
#include "device/scan_collection.h"
#include "device/worker_types.h"
#include "protocol/zantor_kx4xx_comm.h"

class DeviceCommands {
public:
    // Sleeps between exchanges; returns false when the wait was cut short
    // because the worker is stopping (the command then gives up).
    using Pause = std::function<bool(std::chrono::milliseconds)>;

    DeviceCommands(ZantorKX4xxComm& engine, DeviceReadings& readings, std::atomic<ScanState>& scanState,
                   Pause pause);  // we don't own engine, readings or scanState

    // Carries out command id with the given inputs, as the worker does: the
    // reports collected since the last command go to CMD_WAIT_REPORT, any
    // other command empties the collection, and a complete CMD_READ_DEVICE
    // stops an adapter that still scans. No value: nothing to report (an
    // unknown id, or a scan command in the wrong ScanState).
    std::optional<CmdOutcome> Execute(int32_t id, const CommandInputs& inputs, ScanCollection& collected);

    CmdOutcome Identify(unsigned baudRate);
    CmdOutcome ReadDevice();
    CmdOutcome Restart();
    CmdOutcome FactoryReset();
    CmdOutcome SaveSlots(const std::array<SlotRecord, kSlotCount>& slots);
    std::optional<CmdOutcome> StartScan(bool nameFilterOn, const char (&nameFilter)[kReplyTextSize]);
    // Hands over up to kScanBatchLimit scan reports into
    // readings.scanReports, in the order they arrived: those collected
    // first, then every one the engine already holds, then those arriving
    // within kScanBatchWindow; when there are none, waits for the next one.
    std::optional<CmdOutcome> WaitReport(ScanCollection& collected);
    // The same without reports collected beforehand.
    std::optional<CmdOutcome> WaitReport();
    std::optional<CmdOutcome> StopScan();
    CmdOutcome SetName(const std::string& name);
    CmdOutcome SetAdvInterval(uint32_t intervalMs);
    CmdOutcome SetUart(const UartOptions& options);

    static constexpr auto kSlotWritePause = std::chrono::milliseconds(100);
    static constexpr auto kScanFilterPause = std::chrono::milliseconds(500);
    // How long after a scan report the ones following it are still taken
    // with it: short beside the list's 100 ms redraw period.
    static constexpr auto kScanBatchWindow = std::chrono::milliseconds(20);

private:
    // Re-reads the model before a writing command: RESULT_OK to go on.
    CmdOutcome CheckModel();
    // The full read; an adapter still scanning (from an earlier run, say) is
    // then stopped here, before the outcome, so that no other thread ever
    // needs a request of its own, and ScanState is idle.
    CmdOutcome ReadDeviceEndingAnyScan();
    ReplyResult Exchange(std::string_view text, kx4xx_atcmd command, unsigned timeLimitMs);
    // One exchange with the command's usual time limit; true on the expected kind.
    bool ExchangeExpecting(std::string_view text, kx4xx_atcmd command, ReplyKind expected);

    ZantorKX4xxComm& engine;
    DeviceReadings& readings;
    std::atomic<ScanState>& scanState;
    Pause pause;
};

// The model index of a model text, or MODEL_NONE when it is none of the three.
DeviceModel ModelFromText(const std::string& text);
