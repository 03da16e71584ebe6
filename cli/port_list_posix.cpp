// Serial ports on Linux: the device nodes of the usual serial drivers. The
// legacy ttyS nodes exist whether or not a UART is behind them, so those are
// listed only when the kernel bound a device to them.
#include <dirent.h>
#include <sys/stat.h>

#include <cstring>

#include "cli/port_list.h"

namespace {

constexpr const char* kPrefixes[] = {"ttyS", "ttyUSB", "ttyACM", "ttyAMA", "ttyXRUSB", "rfcomm"};

bool HasPrefix(const char* name, const char* prefix)
{
    return std::strncmp(name, prefix, std::strlen(prefix)) == 0;
}

bool LegacyUartPresent(const std::string& name)
{
    struct stat info{};
    return stat(("/sys/class/tty/" + name + "/device/driver").c_str(), &info) == 0;
}

}  // namespace

std::vector<std::string> EnumeratePortNames()
{
    std::vector<std::string> names;
    DIR* dev = opendir("/dev");
    if (dev == nullptr)
        return names;
    while (const dirent* entry = readdir(dev)) {
        for (const char* prefix : kPrefixes) {
            if (!HasPrefix(entry->d_name, prefix))
                continue;
            const std::string name = entry->d_name;
            if (std::strcmp(prefix, "ttyS") != 0 || LegacyUartPresent(name))
                names.push_back("/dev/" + name);
            break;
        }
    }
    closedir(dev);
    return names;
}

bool PortExists(const std::string& name)
{
    struct stat info{};
    return stat(name.c_str(), &info) == 0;  // a link left behind by its device does not count
}
