// slots list | set N ADDRESS [TAG] | clear N | write FILE. A change is
// applied as the window's Save applies it: all seven slots validated, then
// all seven written ("AT+SETSLOT" or "AT+DELSLOT" each).
#include "cli/commands.h"
#include "cli/device_output.h"
#include "cli/device_session.h"
#include "cli/messages.h"
#include "cli/number_args.h"
#include "cli/operation_log.h"
#include "cli/settings_json.h"

namespace {

// Reads the adapter and returns its slots as rows.
int ReadSlotRows(DeviceSession& session, std::array<SlotRowInput, kSlotCount>& rows)
{
    const CmdOutcome outcome = session.commands.ReadDevice();
    if (outcome != RESULT_OK)
        return session.FailWith(outcome, "Failed to read the device.");
    for (size_t k = 0; k < rows.size(); ++k)
        rows[k] = SlotRowOf(session.readings.slots[k]);
    return kExitOk;
}

int SaveSlots(CliContext& context, DeviceSession& session, const std::array<SlotRecord, kSlotCount>& records)
{
    const nlohmann::json all = SlotsJson(records);
    const unsigned slotWritesBefore = session.SlotWritesSent();
    const CmdOutcome outcome = session.commands.SaveSlots(records);
    if (outcome != RESULT_OK) {
        // The slots are written in order; the last one sent is the one that failed.
        const unsigned sent = session.SlotWritesSent() - slotWritesBefore;
        if (sent > 1)
            session.written = {{"slots", nlohmann::json(all.begin(), all.begin() + (sent - 1))}};
        return session.FailWith(outcome, msg::kSlotsSaveFailed);
    }
    session.written = {{"slots", all}};
    context.console.Report({{"port", session.PortName()}, {"result", msg::kSlotsSaved}, {"slots", SlotsJson(records)}},
                           std::string(msg::kSlotsSaved) + '\n' + SlotsText(records));
    return kExitOk;
}

// slots set / clear: row N (checked by the parser) replaced, the other rows as the adapter holds them.
int ChangeSlot(CliContext& context, const SlotRowInput& newRow)
{
    // The row itself is checked alone first, so that a bad value sends nothing.
    std::array<SlotRowInput, kSlotCount> alone;
    alone[context.values.slot - 1] = newRow;
    std::array<SlotRecord, kSlotCount> records{};
    if (const CheckFailure failure = BuildSlotRecords(alone, records))
        return context.console.Fail(kExitBadArguments, *failure);
    return WithDevice(context, "slots", [&](DeviceSession& session) -> int {
        std::array<SlotRowInput, kSlotCount> rows;
        if (const int code = ReadSlotRows(session, rows))
            return code;
        rows[context.values.slot - 1] = newRow;
        if (const CheckFailure failure = BuildSlotRecords(rows, records))
            return context.console.Fail(kExitBadArguments, *failure);
        return SaveSlots(context, session, records);
    });
}

int RunList(CliContext& context)
{
    return WithDevice(context, "slots list", [&](DeviceSession& session) -> int {
        std::array<SlotRowInput, kSlotCount> rows;
        if (const int code = ReadSlotRows(session, rows))
            return code;
        session.readBack = {{"slots", SlotsJson(session.readings.slots)}};
        context.console.Report({{"port", session.PortName()}, {"slots", SlotsJson(session.readings.slots)}},
                               SlotsText(session.readings.slots));
        return kExitOk;
    });
}

int RunWrite(CliContext& context)
{
    nlohmann::json document;
    if (const CheckFailure failure = ReadJsonFile(context.values.file, document))
        return context.console.Fail(kExitBadArguments, *failure);
    std::array<SlotRecord, kSlotCount> records{};
    if (const CheckFailure failure = SlotsFileFromJson(document, records))
        return context.console.Fail(kExitBadArguments, context.values.file + ": " + *failure);
    if (const int code = OpenOperationLog(context, context.values.file))
        return code;
    return WithDevice(context, "slots write",
                      [&](DeviceSession& session) -> int { return SaveSlots(context, session, records); });
}

}  // namespace

void AddSlotCommands(CLI::App& app, CliContext& context)
{
    OptionValues& values = context.values;
    auto* slots = app.add_subcommand("slots", "The seven registered device slots");
    slots->require_subcommand(1);

    slots->add_subcommand("list", "Read and show the seven slots")->callback([&context] {
        context.exitCode = RunList(context);
    });

    auto* set = slots->add_subcommand("set", "Put a device into slot N; all seven slots are written");
    set->add_option("N", values.slot, "Slot number 1 to 7")->required()->check(WholeNumberIn("The slot number", 1, kSlotCount));
    set->add_option("ADDRESS", values.address, "12 hexadecimal digits")->required();
    set->add_option("TAG", values.tag, "Optional tag, at most 8 UTF-8 bytes");
    set->callback([&context] {
        context.exitCode = ChangeSlot(context, SlotRowInput{context.values.address, context.values.tag});
    });

    auto* clear = slots->add_subcommand("clear", "Empty slot N; all seven slots are written");
    clear->add_option("N", values.slot, "Slot number 1 to 7")->required()->check(WholeNumberIn("The slot number", 1, kSlotCount));
    clear->callback([&context] { context.exitCode = ChangeSlot(context, SlotRowInput{}); });

    auto* write = slots->add_subcommand("write", "Write all seven slots from a JSON file ({\"slots\": [...]})");
    write->add_option("FILE", values.file, "A slots file or a snapshot")->required();
    write->callback([&context] { context.exitCode = RunWrite(context); });
}
