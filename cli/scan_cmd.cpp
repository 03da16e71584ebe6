// scan: starts the adapter's scan with the filters, lists each device once
// by the window's list rule, and always sends the stop before it ends: on
// time, on Ctrl+C, and after a failed wait or start.
#include <chrono>
#include <cstring>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/device_text.h"
#include "cli/messages.h"
#include "cli/number_args.h"
#include "cli/scan_list.h"
#include "cli/value_checks.h"

namespace {

constexpr unsigned kMaxScanSeconds = 24 * 60 * 60;

std::string RowText(const ScanRow& row)
{
    char rssi[16] = {};
    std::snprintf(rssi, sizeof rssi, "%4d", row.rssi);
    return row.address + "  " + rssi + "  " + EscapeDeviceText(row.name);
}

// The scan on the connected adapter, its stop always sent.
int ScanWith(CliContext& context, DeviceSession& session, bool nameFilterOn, bool rssiFilterOn)
{
    const OptionValues& values = context.values;
    char filter[kReplyTextSize] = {};
    if (nameFilterOn)
        std::memcpy(filter, values.nameFilter.data(), values.nameFilter.size());  // at most 8 bytes
    const CmdOutcome started = session.commands.StartScan(nameFilterOn, filter).value_or(RESULT_FAILED);
    if (started == RESULT_UNSUPPORTED)
        return session.FailWith(started, "");  // only the model query was sent

    ScanList list(rssiFilterOn ? std::optional<std::string>(values.rssi) : std::nullopt);
    CmdOutcome waited = RESULT_OK;
    bool interrupted = false;
    if (started == RESULT_OK) {
        context.console.Note("Scanning for " + std::to_string(values.seconds) + " s (Ctrl+C stops)...");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(values.seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            if (context.interrupted.load()) {
                interrupted = true;
                break;
            }
            waited = session.commands.WaitReport().value_or(RESULT_FAILED);
            if (waited == RESULT_FAILED)
                break;
            for (size_t i = 0; i < session.readings.scanReportCount; ++i) {
                if (list.Offer(session.readings.scanReports[i]))
                    context.console.Note(RowText(list.Rows().back()));
            }
        }
    }
    // A start that failed after "AT+STARTSCAN" may still have started the
    // scan, so the stop is sent whenever the start got past the model check.
    const int startCode = session.ExitCodeOf(started);
    const int waitCode = waited == RESULT_FAILED ? session.ExitCodeOf(waited) : kExitOk;
    session.scanState = SCAN_STOP_REQUESTED;
    const CmdOutcome stopped = session.commands.StopScan().value_or(RESULT_FAILED);

    if (started != RESULT_OK)
        return context.console.Fail(startCode, "Failed to start the scan.");
    if (waited == RESULT_FAILED)
        return context.console.Fail(waitCode, "The scan ended with a failed wait for reports.");
    if (stopped != RESULT_OK)
        return session.FailWith(stopped, "Failed to stop the scan.");

    nlohmann::json devices = nlohmann::json::array();
    for (const ScanRow& row : list.Rows())
        devices.push_back({{"address", row.address}, {"name", EscapeDeviceText(row.name)}, {"rssi", row.rssi}});
    context.console.Report({{"port", session.PortName()}, {"devices", devices}, {"interrupted", interrupted},
                            {"stopped", true}},
                           std::to_string(list.Rows().size()) + " device(s) listed; scan stopped" +
                               (interrupted ? " on Ctrl+C.\n" : ".\n"));
    return kExitOk;
}

int RunScan(CliContext& context, bool nameFilterOn, bool rssiFilterOn)
{
    const OptionValues& values = context.values;
    // The RSSI filter is checked before the name filter, as in the window.
    if (rssiFilterOn) {
        if (const CheckFailure failure = CheckRssiText(values.rssi))
            return context.console.Fail(kExitBadArguments, *failure);
    }
    if (nameFilterOn) {
        if (const CheckFailure failure = CheckNameFilter(values.nameFilter))
            return context.console.Fail(kExitBadArguments, *failure);
    }
    return WithDevice(context, "scan", [&](DeviceSession& session) -> int {
        return ScanWith(context, session, nameFilterOn, rssiFilterOn);
    });
}

}  // namespace

void AddScanCommand(CLI::App& app, CliContext& context)
{
    auto* scan = app.add_subcommand("scan", "Scan for Bluetooth devices; each device is listed once");
    OptionValues& values = context.values;
    auto* name = scan->add_option("--name", values.nameFilter, "Device name filter, applied by the adapter (1 to 8 UTF-8 bytes)");
    auto* rssi = scan->add_option("--rssi", values.rssi, "RSSI threshold in dBm (-127 to 127); weaker devices are left out");
    scan->add_option("--seconds", values.seconds, "How long to scan (default 10)")
        ->check(WholeNumberIn("The scan time", 1, kMaxScanSeconds, "seconds"));
    scan->callback([&context, name, rssi] {
        context.interruptEndsNormally = true;
        context.exitCode = RunScan(context, name->count() > 0, rssi->count() > 0);
    });
}
