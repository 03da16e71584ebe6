// kx4xx_atcmd: the command kinds of the adapter's AT command set.
// The value travels with every request and selects the reply parsers;
// values 0, 1 and 8 are unassigned and have no parsers.
#pragma once

#include <cstdint>

enum kx4xx_atcmd : uint32_t {
    ATCMD_PROBE = 2,
    ATCMD_RESTART = 3,
    ATCMD_FACTORY_RESET = 4,
    ATCMD_START_SCAN = 5,
    ATCMD_STOP_SCAN = 6,
    ATCMD_SCAN_REPORT = 7,
    ATCMD_GET_INFO = 9,
    ATCMD_GET_VERSION = 10,
    ATCMD_GET_TEXT = 11,
    ATCMD_SET_MANUF = 12,
    ATCMD_SET_SCAN_FILTER = 13,
    ATCMD_SET_SLOT = 14,
    ATCMD_DELETE_SLOT = 15,
    ATCMD_GET_SLOT = 16,
    ATCMD_GET_ON_OFF = 17,
    ATCMD_SPARE_18 = 18,
    ATCMD_GET_BEACON = 19,
    ATCMD_SPARE_20 = 20,
    ATCMD_GET_MODEL = 21,
    ATCMD_GET_ADV_INTERVAL = 22,
    ATCMD_SET_ADV_INTERVAL = 23,
    ATCMD_GET_UART_OPTIONS = 24,
    ATCMD_SET_UART_OPTIONS = 25,
};
