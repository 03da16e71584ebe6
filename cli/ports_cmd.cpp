// kx4xx ports [--probe]: the system's serial ports, and what is on each.
#include <cstdio>

#include "cli/commands.h"
#include "cli/operation_log.h"
#include "cli/port_identity.h"
#include "cli/port_list.h"
#include "cli/port_probe.h"

namespace {

int RunProbe(CliContext& context)
{
    if (const int code = CheckDistinctPorts(context, context.ports))
        return code;
    if (const int code = OpenOperationLog(context))
        return code;
    const std::vector<std::string> ports = context.ports.empty() ? ListedPorts(context) : context.ports;
    nlohmann::json list = nlohmann::json::array();
    std::string text = "PORT                  MODEL         ADDRESS       VERSION       NAME\n";
    bool anyAdapter = false;
    for (const ProbeResult& probed : ProbePorts(context, ports)) {
        char line[768] = {};
        anyAdapter = anyAdapter || probed.failure.empty();
        if (probed.failure.empty()) {
            list.push_back({{"port", probed.port}, {"model", probed.model}, {"address", probed.address},
                            {"version", probed.version}, {"name", probed.name}, {"exitCode", probed.exitCode}});
            std::snprintf(line, sizeof line, "%-20s  %-12s  %-12s  %-12s  %s\n", probed.port.c_str(),
                          probed.model.c_str(), probed.address.c_str(), probed.version.c_str(), probed.name.c_str());
        } else {
            list.push_back({{"port", probed.port}, {"result", probed.failure}, {"exitCode", probed.exitCode}});
            std::snprintf(line, sizeof line, "%-20s  %s\n", probed.port.c_str(), probed.failure.c_str());
        }
        text += line;
    }
    context.console.Report({{"ports", list}}, text);
    if (anyAdapter)
        return kExitOk;
    if (!context.console.json)  // the JSON document above holds each port's code
        context.console.Fail(kExitNoReply, "No supported adapter answered on any of the ports.");
    return kExitNoReply;
}

}  // namespace

void AddPortsCommand(CLI::App& app, CliContext& context)
{
    auto* ports = app.add_subcommand("ports", "List the serial ports; --probe identifies the adapter on each");
    ports->add_flag("--probe", context.values.probe,
                    "Try every listed port (or every --port) at once: model, address, version and name; "
                    "exit code 4 when no supported adapter answered");
    ports->callback([&context] {
        if (context.values.probe) {
            context.exitCode = RunProbe(context);
            return;
        }
        std::vector<std::string> names = ListedPorts(context);
        std::string text;
        for (const std::string& name : names)
            text += name + '\n';
        context.console.Report({{"ports", names}}, text);
        context.exitCode = kExitOk;
    });
}
