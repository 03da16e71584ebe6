// identify, info, set-name, set-interval, set-uart, restart, factory-reset.
#include "cli/commands.h"
#include "cli/device_output.h"
#include "cli/device_session.h"
#include "cli/device_text.h"
#include "cli/messages.h"
#include "cli/value_checks.h"

namespace {

// One writing command: its outcome reported with the window's texts.
int ReportSetting(CliContext& context, DeviceSession& session, nlohmann::json written, CmdOutcome outcome,
                  const char* doneText, const char* failedText)
{
    if (outcome != RESULT_OK)
        return session.FailWith(outcome, failedText);
    session.written = std::move(written);
    context.console.Report({{"port", session.PortName()}, {"result", doneText}}, std::string(doneText) + '\n');
    return kExitOk;
}

int RunIdentify(CliContext& context)
{
    return WithDevice(context, "identify", [&](DeviceSession& session) -> int {
        const std::string model = EscapeDeviceText(session.readings.modelText);
        context.console.Report({{"port", session.PortName()}, {"model", model}}, "Model: " + model + '\n');
        return kExitOk;
    });
}

int RunInfo(CliContext& context)
{
    return WithDevice(context, "info", [&](DeviceSession& session) -> int {
        const CmdOutcome outcome = session.commands.ReadDevice();
        if (outcome != RESULT_OK)
            return session.FailWith(outcome, "Failed to read the device.");
        nlohmann::json data = DeviceJson(session.readings);
        session.readBack = data;
        data["port"] = session.PortName();
        context.console.Report(data, DeviceText(session.readings));
        return kExitOk;
    });
}

}  // namespace

void AddDeviceCommands(CLI::App& app, CliContext& context)
{
    app.add_subcommand("identify", "Link test and model of the adapter")->callback([&context] {
        context.exitCode = RunIdentify(context);
    });
    app.add_subcommand("info", "Read everything: version, address, name, aux, state, interval, UART, slots")
        ->callback([&context] { context.exitCode = RunInfo(context); });

    auto* setName = app.add_subcommand("set-name", "Set the device name (at most 8 UTF-8 bytes)");
    OptionValues& values = context.values;
    setName->add_option("NAME", values.name, "The new device name; an empty text is sent as it is")->required();
    setName->callback([&context] {
        if (const CheckFailure failure = CheckDeviceName(context.values.name)) {
            context.exitCode = context.console.Fail(kExitBadArguments, *failure);
            return;
        }
        context.exitCode = WithDevice(context, "set-name", [&](DeviceSession& session) -> int {
            return ReportSetting(context, session, {{"name", EscapeDeviceText(context.values.name)}},
                                 session.commands.SetName(context.values.name), msg::kNameSaved,
                                 msg::kNameSaveFailed);
        });
    });

    auto* setInterval = app.add_subcommand("set-interval", "Set the advertising interval (20 to 2560 ms)");
    setInterval->add_option("MS", values.interval, "Milliseconds")->required();
    setInterval->callback([&context] {
        uint32_t intervalMs = 0;
        if (const CheckFailure failure = ParseAdvInterval(context.values.interval, intervalMs)) {
            context.exitCode = context.console.Fail(kExitBadArguments, "MS: " + *failure);
            return;
        }
        context.exitCode = WithDevice(context, "set-interval", [&](DeviceSession& session) -> int {
            return ReportSetting(context, session, {{"advInterval", intervalMs}}, session.commands.SetAdvInterval(intervalMs),
                                 msg::kAdvIntervalSaved, msg::kAdvIntervalSaveFailed);
        });
    });

    auto* setUart = app.add_subcommand("set-uart", "Set the adapter's own UART options");
    setUart->add_option("--flow", values.flow, "Hardware flow control: 0 off, 1 on");
    setUart->add_option("--parity", values.parity, "Parity: N, E or O");
    setUart->add_option("--stop", values.stopBits, "Stop bits: 1 or 2");
    setUart->callback([&context] {
        UartOptions options{};
        if (const CheckFailure failure = ParseUartOptions(context.values.flow, context.values.parity, context.values.stopBits, options)) {
            context.exitCode = context.console.Fail(kExitBadArguments, *failure);
            return;
        }
        context.exitCode = WithDevice(context, "set-uart", [&](DeviceSession& session) -> int {
            return ReportSetting(context, session, {{"uart", UartJson(options)}}, session.commands.SetUart(options), msg::kUartSaved,
                                 msg::kUartSaveFailed);
        });
    });

    app.add_subcommand("restart", "Restart the adapter (ATZ)")->callback([&context] {
        context.exitCode = WithDevice(context, "restart", [&](DeviceSession& session) -> int {
            return ReportSetting(context, session, nullptr, session.commands.Restart(), "The adapter restarted.",
                                 "The adapter did not confirm the restart.");
        });
    });

    auto* factoryReset = app.add_subcommand("factory-reset", "Reset the adapter to factory settings (AT&F)");
    factoryReset->add_flag("--yes", values.confirmed, "Confirm the reset; without it nothing is sent");
    factoryReset->callback([&context] {
        if (!context.values.confirmed) {
            context.exitCode = context.console.Fail(kExitBadArguments,
                                                    std::string(msg::kConfirmFactoryReset) + " Add --yes to confirm.");
            return;
        }
        context.exitCode = WithDevice(context, "factory-reset", [&](DeviceSession& session) -> int {
            return ReportSetting(context, session, nullptr, session.commands.FactoryReset(),
                                 "The adapter was reset to factory settings.",
                                 "The adapter did not confirm the factory reset.");
        });
    });
}
