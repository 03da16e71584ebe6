// The main window's English message texts, used for the same failures.
#pragma once

namespace msg {

constexpr const char kOpenPort[] = "Unable to open a COM port.";
constexpr const char kNotZantorDevice[] =
    "This program is for the ZANTOR-KX400 series only.\nPlease check the product name, communication port, dial to "
    "set, etc. and try again.";
constexpr const char kUnsupportedDevice[] =
    "It seems like an unsupported device is attached. Please check the type of device you have connected and try "
    "again.";
constexpr const char kNameTooLong[] = "Device name is too long.";
constexpr const char kSlotAddress[] = "Slot %d: Invalid Bluetooth address.";
constexpr const char kSlotTagLength[] = "Slot %d: Invalid TAG length.";
constexpr const char kSlotDuplicate[] = "Duplicated Bluetooth addresses are assigned to slot";
constexpr const char kNameSaved[] = "Completed device name settings.";
constexpr const char kNameSaveFailed[] = "Failed device name settings.";
constexpr const char kAdvIntervalValue[] = "Invalid advertising interval value.";
constexpr const char kAdvIntervalSaved[] = "Setting advertising interval has been completed ";
constexpr const char kAdvIntervalSaveFailed[] = "Failed to save advertising interval.";
constexpr const char kSlotsSaved[] = "Node (device) registration has been completed";
constexpr const char kSlotsSaveFailed[] = "Failed to register node (device).";
constexpr const char kUartSaved[] = "Completed UART option settings.";
constexpr const char kUartSaveFailed[] = "Failed UART option settings.";
constexpr const char kNameFilterLength[] = "Invalid name length on scan filter.";
constexpr const char kRssiFilterValue[] = "Invalid RSSI filter value";
constexpr const char kConfirmFactoryReset[] = "Run a factory reset. Do you want to continue?";

}  // namespace msg
