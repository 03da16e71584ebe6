// Scan reports collected between commands.
#include "device/scan_collection.h"

#include <algorithm>

bool ScanCollection::KeepCollecting(ZantorKX4xxComm& engine, ScanState scanState)
{
    if (scanState != SCAN_SCANNING || engineFailed || reports.size() >= kScanBacklogLimit)
        return false;
    ScanReport report{};
    switch (engine.WaitScanReport(report, kCollectWaitMs)) {
    case REPLY_SCAN_REPORT:
        reports.push_back(report);
        size.store(reports.size());
        return true;
    case REPLY_TIMEOUT:
        return true;
    default:
        engineFailed = true;
        return false;
    }
}

size_t ScanCollection::HandOver(ScanReport* out, size_t count)
{
    engineFailed = false;
    const size_t taken = std::min(reports.size(), count);
    std::copy_n(reports.begin(), taken, out);
    reports.erase(reports.begin(), reports.begin() + static_cast<std::ptrdiff_t>(taken));
    size.store(reports.size());
    return taken;
}

void ScanCollection::Clear()
{
    reports.clear();
    size.store(0);
    engineFailed = false;
}
