// Section and value names of the application profile.
#pragma once

constexpr const wchar_t* kProfileSection = L"KX400 Manager Default Values";

constexpr const wchar_t* kProfileComPort = L"Application COM port";
// Spelled as the profile has always spelled it.
constexpr const wchar_t* kProfileBaudRate = L"Application buadrate";
constexpr const wchar_t* kProfileParity = L"Application parity";
constexpr const wchar_t* kProfileStopBits = L"Application stopbit";

constexpr const wchar_t* kProfileNameFilterCheck = L"Name filter check";
constexpr const wchar_t* kProfileNameFilterValue = L"Name filter value";
constexpr const wchar_t* kProfileRssiFilterCheck = L"RSSI filter check";
constexpr const wchar_t* kProfileRssiFilterValue = L"RSSI filter value";
