// A device node is known by the device it stands for (links and other nodes
// of the same device alike); a name without a node by its text with the
// slashes collapsed, which the system reads the same way.
#include <sys/stat.h>

#include <algorithm>

#include "cli/port_identity.h"

std::string PortIdentity(const std::string& name)
{
    struct stat info{};
    if (stat(name.c_str(), &info) == 0) {
        if (S_ISCHR(info.st_mode))
            return "device " + std::to_string(info.st_rdev);
        return "file " + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
    }
    std::string collapsed = name;
    collapsed.erase(std::unique(collapsed.begin(), collapsed.end(),
                                [](char a, char b) { return a == '/' && b == '/'; }),
                    collapsed.end());
    return "name " + collapsed;
}
