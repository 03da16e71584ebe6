// The parser table: each command kind with its reply parsers in the order
// they are tried, entries in catalogue order.
#include "protocol/reply_parsers.h"

ParserTable BuildParserTable()
{
    return {
        {ATCMD_PROBE, {ParseOk, ParseError}},
        {ATCMD_RESTART, {ParseReady}},
        {ATCMD_FACTORY_RESET, {ParseReady}},
        {ATCMD_SET_SCAN_FILTER, {ParseOk, ParseError}},
        {ATCMD_START_SCAN, {ParseScanning, ParseError}},
        {ATCMD_STOP_SCAN, {ParseStopped}},
        {ATCMD_GET_VERSION, {ParseVersion}},
        {ATCMD_SCAN_REPORT, {ParseScanReport}},
        {ATCMD_SET_MANUF, {ParseOk, ParseError}},
        {ATCMD_GET_TEXT, {ParseText, ParseError}},
        {ATCMD_SET_SLOT, {ParseOk, ParseError}},
        {ATCMD_DELETE_SLOT, {ParseOk, ParseError}},
        {ATCMD_GET_SLOT, {ParseSlot, ParseError}},
        {ATCMD_GET_ON_OFF, {ParseOnOff, ParseError}},
        {ATCMD_SPARE_18, {ParseOk, ParseError}},
        {ATCMD_GET_BEACON, {ParseBeacon, ParseError}},
        {ATCMD_SPARE_20, {ParseOk, ParseError}},
        {ATCMD_GET_MODEL, {ParseModel, ParseError}},
        {ATCMD_GET_INFO, {ParseInfo, ParseError}},
        {ATCMD_GET_ADV_INTERVAL, {ParseAdvInterval, ParseError}},
        {ATCMD_SET_ADV_INTERVAL, {ParseOk, ParseError}},
        {ATCMD_GET_UART_OPTIONS, {ParseUartOptions, ParseError}},
        {ATCMD_SET_UART_OPTIONS, {ParseOk, ParseError}},
    };
}
