#include "cli/scan_list.h"

#include <cstring>

#include "text/text_convert.h"
#include "device/value_rules.h"

ScanList::ScanList(std::optional<std::string> thresholdText)
{
    if (thresholdText) {
        threshold.emplace();
        Utf8ToWide(*thresholdText, *threshold);
    }
}

bool ScanList::Offer(const ScanReport& report)
{
    const std::string address = BdAddrToHex(report.address);
    if (seen.count(address) != 0)
        return false;
    if (!PassesRssiFilter(threshold.has_value(), threshold.value_or(u""), report.rssi))
        return false;
    seen.insert(address);
    rows.push_back(ScanRow{address, std::string(report.name, strnlen(report.name, sizeof report.name)), report.rssi});
    return true;
}
