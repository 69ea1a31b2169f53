#pragma once
// The fixed set of registry values the optimization writes, as plain data.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zephrin {

struct RegistryPlace {
    HKEY root;
    const wchar_t* path;
};

inline const RegistryPlace kInternetSettingsKey{
    HKEY_CURRENT_USER, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"};
inline const RegistryPlace kTcpipParametersKey{
    HKEY_LOCAL_MACHINE, L"\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters"};
inline const RegistryPlace kPschedPolicyKey{
    HKEY_LOCAL_MACHINE, L"\\Software\\Policies\\Microsoft\\Windows\\Psched"};

// The connection rows that keep the system's window, TTL, path-MTU and scheduler values.
inline constexpr int kDialUpRow = 2;
inline constexpr int kIsdnRow = 7;
inline constexpr int kLastConnectionRow = 8;
bool RowGetsStackValues(int row);

struct TunedValue {
    RegistryPlace place;
    const wchar_t* name;
    int32_t data;
};

// The tuned values, in the order they are written, for a connection row and speed level.
std::vector<TunedValue> TunedValuesFor(int row, int speedLevel);
// All fourteen places the optimization can ever write, in table order.
std::vector<TunedValue> AllTunedValues();

// The four settings that every row tunes; an older version saved them under
// their own names in the program key, with these defaults where missing.
struct BackupValue {
    RegistryPlace place;
    const wchar_t* name;
    int32_t defaultValue;
};
const std::vector<BackupValue>& BackupValues();

}  // namespace zephrin
