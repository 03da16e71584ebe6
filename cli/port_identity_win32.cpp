// Port names are not case sensitive on Windows, and "\\.\COM3" opens COM3.
#include <algorithm>
#include <cctype>

#include "cli/port_identity.h"

std::string PortIdentity(const std::string& name)
{
    constexpr char kDevicePrefix[] = "\\\\.\\";
    std::string identity = name.rfind(kDevicePrefix, 0) == 0 ? name.substr(sizeof kDevicePrefix - 1) : name;
    std::transform(identity.begin(), identity.end(), identity.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return identity;
}
