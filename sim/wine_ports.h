// MapWinePort: makes a Wine prefix's COMn port open a given device path.
#pragma once

#include <string>
#include <system_error>

namespace kx4xx::sim {

// Runs, with WINEPREFIX=prefix,
//   wine reg add 'HKLM\Software\Wine\Ports' /v <comName> /d <devicePath> /f
// then "wineserver -k", because Wine reads its port map only when its
// server starts. Any Wine program running in the prefix is ended.
std::error_code MapWinePort(const std::string& prefix, const std::string& comName, const std::string& devicePath);

}  // namespace kx4xx::sim
