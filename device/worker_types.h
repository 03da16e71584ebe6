// The ids of the command queue, the outcomes the worker reports, the model
// identified and the scanning state shared by the window and the worker.
#pragma once

#include <cstdint>

enum WorkerCommand : int32_t {
    CMD_QUIT = 1,
    CMD_IDENTIFY = 3,
    CMD_READ_DEVICE = 4,
    CMD_RESTART = 5,
    CMD_FACTORY_RESET = 6,
    CMD_SAVE_SLOTS = 7,
    CMD_START_SCAN = 8,
    CMD_WAIT_REPORT = 9,
    CMD_STOP_SCAN = 10,
    CMD_SET_NAME = 11,
    CMD_SET_ADV_INTERVAL = 12,
    CMD_SET_UART = 13,
};

enum CmdOutcome : int32_t {
    RESULT_OK = 0,
    RESULT_FAILED = 1,
    RESULT_UNSUPPORTED = 2,
    RESULT_NO_REPORT = 4,  // CMD_WAIT_REPORT only: no report within the wait
};

enum DeviceModel : uint32_t {
    MODEL_NONE = 0,  // nothing identified yet
    MODEL_KX400 = 1,
    MODEL_KX410 = 2,
    MODEL_KX420 = 3,
};

enum ScanState : int32_t {
    SCAN_IDLE = 0,
    SCAN_SCANNING = 1,        // the adapter confirmed the scan
    SCAN_STOP_REQUESTED = 2,  // the user asked to stop; CMD_STOP_SCAN is queued
};

// The supported model texts, compared whole and case-sensitively.
constexpr const char* kModelTexts[] = {"ZANTOR-KX400", "ZANTOR-KX410", "ZANTOR-KX420"};
