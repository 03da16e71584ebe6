// The option parser of kx4xx: global options, the command groups, and the
// translation of parse failures into the bad-arguments exit code.
#include "cli/cli_app.h"

#include <algorithm>

#include "cli/commands.h"
#include "cli/failure_text.h"
#include "cli/operation_log.h"
#include "cli/results_file.h"
#include "cli/run_stop.h"
#include "kx4xx_version.h"

namespace {

// The command words of args that name no command ("frobnicate", or
// "snapshot frobnicate"), skipping the options and their values; empty
// when every command word is known.
std::string UnknownCommand(CLI::App& app, const std::vector<std::string>& args)
{
    CLI::App* group = &app;
    std::string words;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() > 1 && arg[0] == '-') {
            const bool takesValue = arg == "--port" || arg == "--log" || arg == "--trace-file";
            i += takesValue ? 1 : 0;
            continue;
        }
        words += (words.empty() ? "" : " ") + arg;
        const std::vector<CLI::App*> commands = group->get_subcommands({});
        const auto named = std::find_if(commands.begin(), commands.end(),
                                        [&](const CLI::App* command) { return command->check_name(arg); });
        if (named == commands.end())
            return words;
        CLI::App* command = *named;
        if (command->get_subcommands({}).empty())
            return std::string();
        group = command;
    }
    return std::string();
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const std::atomic<bool>& interrupted)
{
    return RunCli(args, out, err, CliEnvironment{interrupted});
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const CliEnvironment& environment)
{
    Console console(out, err);
    CliContext context{console, environment, environment.interrupted};

    CLI::App app("Configures ZANTOR-KX400, KX410 and KX420 adapters over their serial port.", "kx4xx");
    app.footer(kExitCodeHelp);
    app.set_version_flag("--version", "kx4xx " KX4XX_VERSION_TEXT);
    app.require_subcommand(1);
    app.fallthrough();
    app.add_option("--port", context.ports, "The adapter's serial port (COM3, /dev/ttyUSB0)");
    app.add_flag("--json", console.json, "Print results as JSON");
    app.add_flag("--trace", context.trace, "Write every byte sent and received to standard error");
    app.add_option("--trace-file", context.traceFile, "Write the byte trace to this file instead");
    app.add_option("--log", context.logFile,
                   "Append one JSON line per adapter and operation to this file (time, port, address, results)");

    AddPortsCommand(app, context);
    AddDeviceCommands(app, context);
    AddScanCommand(app, context);
    AddSlotCommands(app, context);
    AddSnapshotCommands(app, context);
    AddProvisionCommand(app, context);
    for (CLI::App* sub : app.get_subcommands({}))
        sub->fallthrough();

    std::vector<std::string> reversed(args.size() > 1 ? args.begin() + 1 : args.end(), args.end());
    std::reverse(reversed.begin(), reversed.end());
    try {
        // The callbacks run once parsing is complete, so global options
        // given after the subcommand's name are known to them.
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        const std::string unknown = UnknownCommand(app, args);
        if (!unknown.empty() && error.get_exit_code() != 0)
            return console.Fail(kExitBadArguments, "Unknown command '" + unknown + "'. See kx4xx --help.");
        const int code = app.exit(error, out, err);
        return code == 0 ? kExitOk : kExitBadArguments;
    } catch (...) {
        // A command that could not go on (no memory, a system failure),
        // here or on an adapter's thread.
        return console.Fail(kExitFailure, CaughtFailureText());
    }
    // A run a stop reached says so, whatever its adapters' outcomes.
    const int code = environment.interrupted.load() && !context.interruptEndsNormally
                         ? InterruptedExitCode(environment)
                         : context.exitCode;
    return WriteResultsFile(context, FinishOperationLog(context, code));
}
