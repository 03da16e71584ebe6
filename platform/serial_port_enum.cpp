#include "platform/serial_port_enum.h"

#include <windows.h>

#include <algorithm>

#include "text/text_convert.h"

namespace {

constexpr const wchar_t* kSerialPortMap = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

}  // namespace

std::error_code EnumerateSerialPorts(std::vector<SerialPortEntry>& list) {
    list.clear();
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialPortMap, 0, KEY_QUERY_VALUE, &key);
    if (status == ERROR_FILE_NOT_FOUND) return {};
    if (status != ERROR_SUCCESS) return {static_cast<int>(status), std::system_category()};

    DWORD longestName = 0;
    DWORD longestData = 0;
    status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName,
                              &longestData, nullptr, nullptr);
    if (status != ERROR_SUCCESS) {
        RegCloseKey(key);
        return {static_cast<int>(status), std::system_category()};
    }
    std::vector<wchar_t> name(longestName + 1);
    // Whole UTF-16 units, and room for a terminator the data may lack.
    std::vector<wchar_t> data(longestData / sizeof(wchar_t) + 2);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataBytes = longestData;
        DWORD type = 0;
        std::fill(data.begin(), data.end(), L'\0');
        if (RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                          &dataBytes) != ERROR_SUCCESS) {
            break;
        }
        if (type != REG_SZ) continue;
        // A name the ANSI code page cannot hold exactly would open another
        // port or none: it is not listed, nor is an empty one.
        std::string portName;
        if (!WideToAnsiExact(std::wstring(data.data()), portName) || portName.empty()) continue;
        const bool listed = std::any_of(list.begin(), list.end(),
                                        [&](const SerialPortEntry& entry) { return entry.name == portName; });
        if (!listed) list.push_back({portName, {}});
    }
    RegCloseKey(key);
    return {};
}
