// ScanList: the main window's list rule for scan reports. One row per
// address, the first accepted report fixes it; with an RSSI threshold a
// weaker report is left out and its address not remembered, so a later,
// stronger report of the same device is still listed.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "protocol/reply_result.h"

struct ScanRow {
    std::string address;  // 12 upper-case hexadecimal digits
    std::string name;     // UTF-8, as reported
    int rssi = 0;
};

class ScanList {
public:
    // thresholdText: the RSSI filter text, already checked; nothing: no filter.
    explicit ScanList(std::optional<std::string> thresholdText);

    // True when the report made a new row (the last of Rows()).
    bool Offer(const ScanReport& report);
    const std::vector<ScanRow>& Rows() const { return rows; }

private:
    std::optional<std::u16string> threshold;
    std::set<std::string> seen;
    std::vector<ScanRow> rows;
};
