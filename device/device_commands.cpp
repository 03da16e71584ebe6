// The AT exchanges of each queued command.
#include "device/device_commands.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "protocol/at_commands.h"
#include "text/text_convert.h"

namespace {

// A text field of a record, up to its first zero byte and never past the field.
std::string FieldText(const char* field, size_t size)
{
    return std::string(field, strnlen(field, size));
}

std::string PayloadText(const ReplyResult& result)
{
    return FieldText(reinterpret_cast<const char*>(ResultPayload(result)), kReplyTextSize);
}

// A text argument with a line end would end the command early and send the
// rest as a second command: such an argument is refused before anything is sent.
bool IsSingleLine(std::string_view text)
{
    return text.find_first_of("\r\n") == std::string_view::npos;
}

}  // namespace

DeviceModel ModelFromText(const std::string& text)
{
    for (size_t i = 0; i < std::size(kModelTexts); ++i) {
        if (text == kModelTexts[i])
            return static_cast<DeviceModel>(MODEL_KX400 + i);
    }
    return MODEL_NONE;
}

DeviceCommands::DeviceCommands(ZantorKX4xxComm& theEngine, DeviceReadings& theReadings,
                               std::atomic<ScanState>& theScanState, Pause thePause)
    : engine(theEngine), readings(theReadings), scanState(theScanState), pause(std::move(thePause))
{
}

std::optional<CmdOutcome> DeviceCommands::Execute(int32_t id, const CommandInputs& inputs, ScanCollection& collected)
{
    if (id != CMD_WAIT_REPORT)
        collected.Clear();
    switch (id) {
    case CMD_IDENTIFY:
        return Identify(inputs.baudRate);
    case CMD_READ_DEVICE:
        return ReadDeviceEndingAnyScan();
    case CMD_RESTART:
        return Restart();
    case CMD_FACTORY_RESET:
        return FactoryReset();
    case CMD_SAVE_SLOTS:
        return SaveSlots(inputs.slotsToWrite);
    case CMD_START_SCAN:
        return StartScan(inputs.nameFilterOn, inputs.nameFilter);
    case CMD_WAIT_REPORT:
        return WaitReport(collected);
    case CMD_STOP_SCAN:
        return StopScan();
    case CMD_SET_NAME:
        return SetName(inputs.pendingName);
    case CMD_SET_ADV_INTERVAL:
        return SetAdvInterval(inputs.pendingAdvInterval);
    case CMD_SET_UART:
        return SetUart(inputs.pendingUart);
    default:
        return std::nullopt;
    }
}

ReplyResult DeviceCommands::Exchange(std::string_view text, kx4xx_atcmd command, unsigned timeLimitMs)
{
    return engine.SendAndWait(text.data(), text.size(), command, timeLimitMs);
}

bool DeviceCommands::ExchangeExpecting(std::string_view text, kx4xx_atcmd command, ReplyKind expected)
{
    const ReplyResult result = Exchange(text, command, CommandTimeLimit(command));
    return result && ResultKind(result) == expected;
}

CmdOutcome DeviceCommands::Identify(unsigned baudRate)
{
    if (!ExchangeExpecting(kAtProbe, ATCMD_PROBE, REPLY_OK) && !ExchangeExpecting(kAtProbe, ATCMD_PROBE, REPLY_OK))
        return RESULT_FAILED;
    const ReplyResult model = Exchange(kAtGetModel, ATCMD_GET_MODEL, ModelQueryTimeLimit(baudRate));
    if (!model || ResultKind(model) != REPLY_MODEL)
        return RESULT_FAILED;
    readings.modelText = PayloadText(model);
    const DeviceModel found = ModelFromText(readings.modelText);
    if (found == MODEL_NONE)
        return RESULT_UNSUPPORTED;  // the model index keeps its previous value
    readings.modelIndex = found;
    return RESULT_OK;
}

CmdOutcome DeviceCommands::CheckModel()
{
    if (!engine.port || !engine.port->isOpen.load())
        return RESULT_FAILED;
    // A fixed limit, whatever the baud rate: the link has been identified already.
    const ReplyResult model = Exchange(kAtGetModel, ATCMD_GET_MODEL, kTimeLimitMs);
    if (!model || ResultKind(model) != REPLY_MODEL)
        return RESULT_FAILED;
    readings.modelText = PayloadText(model);
    return ModelFromText(readings.modelText) == MODEL_NONE ? RESULT_UNSUPPORTED : RESULT_OK;
}

CmdOutcome DeviceCommands::ReadDevice()
{
    // Version and information are replaced only by a complete read; the
    // interval, the UART options and the slots are stored as they arrive.
    const ReplyResult version = Exchange(kAtGetVersion, ATCMD_GET_VERSION, kTimeLimitMs);
    if (!version || ResultKind(version) != REPLY_VERSION)
        return RESULT_FAILED;
    const ReplyResult info = Exchange(kAtGetInfo, ATCMD_GET_INFO, kTimeLimitMs);
    if (!info || ResultKind(info) != REPLY_INFO)
        return RESULT_FAILED;

    const ReplyResult interval = Exchange(kAtGetAdvInterval, ATCMD_GET_ADV_INTERVAL, kTimeLimitMs);
    if (!interval || ResultKind(interval) != REPLY_ADV_INTERVAL)
        return RESULT_FAILED;
    std::memcpy(&readings.advInterval, ResultPayload(interval), sizeof readings.advInterval);

    const ReplyResult uart = Exchange(kAtGetUartOptions, ATCMD_GET_UART_OPTIONS, kTimeLimitMs);
    if (!uart || ResultKind(uart) != REPLY_UART_OPTIONS)
        return RESULT_FAILED;
    std::memcpy(&readings.uart, ResultPayload(uart), sizeof readings.uart);

    for (unsigned n = 1; n <= kSlotCount; ++n) {
        const AtCommand text = FormatGetSlot(n);
        const ReplyResult slot = Exchange(text.View(), ATCMD_GET_SLOT, kTimeLimitMs);
        if (!slot)
            return RESULT_FAILED;
        SlotRecord& entry = readings.slots[n - 1];
        if (ResultKind(slot) == REPLY_SLOT) {
            std::memcpy(&entry, ResultPayload(slot), sizeof entry);
        } else if (ResultKind(slot) == REPLY_ERROR) {
            entry = SlotRecord{};  // the adapter refuses to read an empty slot
            entry.slot = static_cast<uint8_t>(n);
        } else {
            return RESULT_FAILED;
        }
    }

    std::memcpy(readings.version, ResultPayload(version), sizeof readings.version);
    readings.version[kReplyTextSize - 1] = '\0';
    std::memcpy(&readings.info, ResultPayload(info), sizeof readings.info);
    return RESULT_OK;
}

CmdOutcome DeviceCommands::ReadDeviceEndingAnyScan()
{
    const CmdOutcome outcome = ReadDevice();
    if (outcome != RESULT_OK)
        return outcome;
    // The stop's own outcome changes nothing: the read has succeeded.
    if (FieldText(readings.info.state, sizeof readings.info.state) == "SCANNING")
        Exchange(kAtStopScan, ATCMD_STOP_SCAN, CommandTimeLimit(ATCMD_STOP_SCAN));
    scanState.store(SCAN_IDLE);
    return RESULT_OK;
}

CmdOutcome DeviceCommands::Restart()
{
    return ExchangeExpecting(kAtRestart, ATCMD_RESTART, REPLY_READY) ? RESULT_OK : RESULT_FAILED;
}

CmdOutcome DeviceCommands::FactoryReset()
{
    return ExchangeExpecting(kAtFactoryReset, ATCMD_FACTORY_RESET, REPLY_READY) ? RESULT_OK : RESULT_FAILED;
}

CmdOutcome DeviceCommands::SaveSlots(const std::array<SlotRecord, kSlotCount>& slots)
{
    for (const SlotRecord& entry : slots) {
        if (!IsSingleLine(FieldText(entry.tag, sizeof entry.tag)))
            return RESULT_FAILED;
    }
    const CmdOutcome check = CheckModel();
    if (check != RESULT_OK)
        return check;

    for (unsigned k = 0; k < kSlotCount; ++k) {
        const SlotRecord& entry = slots[k];
        AtCommand text{};
        if (IsZeroAddress(entry.address)) {
            text = FormatDeleteSlot(k + 1);
        } else if (entry.tag[0] == '\0') {
            text = FormatSetSlot(entry.slot, BdAddrToHex(entry.address));
        } else {
            text = FormatSetSlotWithTag(entry.slot, BdAddrToHex(entry.address), FieldText(entry.tag, sizeof entry.tag));
        }
        const kx4xx_atcmd kind = IsZeroAddress(entry.address) ? ATCMD_DELETE_SLOT : ATCMD_SET_SLOT;
        if (!ExchangeExpecting(text.View(), kind, REPLY_OK))
            return RESULT_FAILED;
        // The adapter stores each slot before it takes the next write.
        if (!pause(kSlotWritePause))
            return RESULT_FAILED;
    }
    return RESULT_OK;
}

std::optional<CmdOutcome> DeviceCommands::StartScan(bool nameFilterOn, const char (&nameFilter)[kReplyTextSize])
{
    // Dropped before the model check, so that nothing at all is sent.
    if (scanState.load() != SCAN_IDLE)
        return std::nullopt;
    const std::string filter = FieldText(nameFilter, kReplyTextSize);
    if (nameFilterOn && !IsSingleLine(filter))
        return RESULT_FAILED;
    const CmdOutcome check = CheckModel();
    if (check != RESULT_OK)
        return check;

    const bool filterSet = nameFilterOn
                               ? ExchangeExpecting(FormatScanFilterOn(filter).View(), ATCMD_SET_SCAN_FILTER, REPLY_OK)
                               : ExchangeExpecting(kAtScanFilterOff, ATCMD_SET_SCAN_FILTER, REPLY_OK);
    if (!filterSet)
        return RESULT_FAILED;
    // The adapter applies the filter before it accepts the scan start.
    if (!pause(kScanFilterPause))
        return RESULT_FAILED;
    if (!ExchangeExpecting(kAtStartScan, ATCMD_START_SCAN, REPLY_SCANNING))
        return RESULT_FAILED;
    scanState.store(SCAN_SCANNING);
    return RESULT_OK;
}

std::optional<CmdOutcome> DeviceCommands::WaitReport()
{
    ScanCollection none;
    return WaitReport(none);
}

std::optional<CmdOutcome> DeviceCommands::WaitReport(ScanCollection& collected)
{
    if (scanState.load() != SCAN_SCANNING)
        return std::nullopt;
    // A closed port fails the wait at once, as the engine's own wait does:
    // reports collected before the close are not handed over after it.
    if (!engine.port || !engine.port->isOpen.load()) {
        collected.Clear();
        return RESULT_FAILED;
    }
    auto& batch = readings.scanReports;
    size_t count = collected.HandOver(batch.data(), batch.size());
    readings.scanReportCount = 0;
    if (count == 0) {
        switch (engine.WaitScanReport(batch[0])) {
        case REPLY_SCAN_REPORT:
            break;
        case REPLY_TIMEOUT:
            return RESULT_NO_REPORT;
        default:
            return RESULT_FAILED;
        }
        count = 1;
    }
    // The reports the engine already holds go with it whatever the time; a
    // wait for more lasts only until the batch window ends. Whatever ends
    // this (no more reports, a closed port) is met again by the next wait.
    const auto batchEnd = std::chrono::steady_clock::now() + kScanBatchWindow;
    while (count < batch.size()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(batchEnd - std::chrono::steady_clock::now());
        const unsigned waitMs = left.count() > 0 ? static_cast<unsigned>(left.count()) : 0;
        if (engine.WaitScanReport(batch[count], waitMs) != REPLY_SCAN_REPORT)
            break;
        ++count;
    }
    readings.scanReportCount = count;
    return RESULT_OK;
}

std::optional<CmdOutcome> DeviceCommands::StopScan()
{
    if (scanState.load() != SCAN_STOP_REQUESTED)
        return std::nullopt;
    // ScanState goes back to idle when the window handles the success.
    return ExchangeExpecting(kAtStopScan, ATCMD_STOP_SCAN, REPLY_STOPPED) ? RESULT_OK : RESULT_FAILED;
}

CmdOutcome DeviceCommands::SetName(const std::string& name)
{
    // As from a 64-byte zero-filled buffer: at most 63 bytes, up to the first zero.
    const std::string argument = FieldText(name.c_str(), std::min(name.size(), kReplyTextSize - 1));
    if (!IsSingleLine(argument))
        return RESULT_FAILED;
    const CmdOutcome check = CheckModel();
    if (check != RESULT_OK)
        return check;
    return ExchangeExpecting(FormatSetManuf(argument).View(), ATCMD_SET_MANUF, REPLY_OK) ? RESULT_OK : RESULT_FAILED;
}

CmdOutcome DeviceCommands::SetAdvInterval(uint32_t intervalMs)
{
    const CmdOutcome check = CheckModel();
    if (check != RESULT_OK)
        return check;
    const AtCommand text = FormatSetAdvInterval(static_cast<uint16_t>(intervalMs));  // the adapter's field is 16 bits
    return ExchangeExpecting(text.View(), ATCMD_SET_ADV_INTERVAL, REPLY_OK) ? RESULT_OK : RESULT_FAILED;
}

CmdOutcome DeviceCommands::SetUart(const UartOptions& options)
{
    const CmdOutcome check = CheckModel();
    if (check != RESULT_OK)
        return check;
    const AtCommand text = FormatSetUartOptions(options.flowControl, options.parity, options.stopBits);
    return ExchangeExpecting(text.View(), ATCMD_SET_UART_OPTIONS, REPLY_OK) ? RESULT_OK : RESULT_FAILED;
}
