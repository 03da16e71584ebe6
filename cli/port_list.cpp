// The port dialog's order, and the ports a command works on when none is named.
#include "cli/port_list.h"

#include <algorithm>
#include <cctype>

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

std::vector<std::string> ListedPorts(const CliContext& context)
{
    std::vector<std::string> names =
        context.environment.listPorts ? context.environment.listPorts() : EnumeratePortNames();
    SortPortNames(names);
    return names;
}
