// ScanCollection: the scan reports the worker takes off the engine between
// commands while the adapter scans, kept for the next CMD_WAIT_REPORT.
//
// While the window lists the last batch, the engine's receive bound would
// fill and lose lines; the worker keeps taking reports meanwhile, up to
// kScanBacklogLimit. The collection belongs to the worker and is emptied
// at every opening and by every command but CMD_WAIT_REPORT: its reports
// belong to the scan that was running.
//
// Threads: everything on the worker thread (or before it starts), except
// Size, which any thread may read.
#pragma once

#include <atomic>
#include <cstddef>
#include <deque>

#include "device/device_records.h"
#include "protocol/zantor_kx4xx_comm.h"

class ScanCollection {
public:
    // How long one collection step waits for a report: short enough that a
    // queued command is taken without a noticeable delay.
    static constexpr unsigned kCollectWaitMs = 10;

    // Waits up to kCollectWaitMs for one scan report and keeps it. Returns
    // whether collecting should go on: false when the adapter is not
    // scanning, the collection is full, or the engine failed (the next
    // report wait meets that failure itself).
    bool KeepCollecting(ZantorKX4xxComm& engine, ScanState scanState);
    // Moves up to count of the oldest reports to out, in the order they
    // arrived; returns how many. A report wait starts afresh: collecting may
    // go on after an engine failure.
    size_t HandOver(ScanReport* out, size_t count);
    // Forgets the reports and any engine failure.
    void Clear();
    size_t Size() const { return size.load(); }

private:
    std::deque<ScanReport> reports;  // oldest first; at most kScanBacklogLimit
    std::atomic<size_t> size{0};     // reports.size(), for other threads
    bool engineFailed = false;
};
