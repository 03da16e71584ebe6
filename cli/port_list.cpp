// kx4xx ports, and the port dialog's order.
#include "cli/port_list.h"

#include <algorithm>
#include <cctype>

#include "cli/commands.h"

namespace {

std::string Folded(const std::string& name)
{
    std::string folded = name;
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return folded;
}

}  // namespace

void SortPortNames(std::vector<std::string>& names)
{
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return Folded(a) < Folded(b); });
    names.erase(std::unique(names.begin(), names.end()), names.end());
}

void AddPortsCommand(CLI::App& app, CliContext& context)
{
    app.add_subcommand("ports", "List the serial ports")->callback([&context] {
        std::vector<std::string> names = EnumeratePortNames();
        SortPortNames(names);
        std::string text;
        for (const std::string& name : names)
            text += name + '\n';
        context.console.Report({{"ports", names}}, text);
        context.exitCode = kExitOk;
    });
}
