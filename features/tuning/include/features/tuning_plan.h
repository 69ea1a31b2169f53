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

// The connection types, from connection_types.def.
struct ConnectionType {
    int row;
    const char* id;
    const wchar_t* text;
    bool keepsStackValues;
};
inline constexpr ConnectionType kConnectionTypes[] = {
#define ZEPHRIN_CONNECTION(row, id, text, keeps) {row, #id, L##text, keeps},
#include "../../connection_types.def"
#undef ZEPHRIN_CONNECTION
};
namespace connection {
#define ZEPHRIN_CONNECTION(row, id, text, keeps) inline constexpr int id = row;
#include "../../connection_types.def"
#undef ZEPHRIN_CONNECTION
}  // namespace connection
inline constexpr int kConnectionTypeCount = static_cast<int>(sizeof kConnectionTypes / sizeof kConnectionTypes[0]);
// The type of a row, or null for a row the list does not have (-1 when none is chosen).
const ConnectionType* ConnectionTypeOfRow(int row);
// The type of an id in any ASCII letter case, or null.
const ConnectionType* ConnectionTypeOfId(const std::string& id);
// Whether Optimize writes the stack and scheduler values for the row; a row the list does not have gets them.
bool RowGetsStackValues(int row);

// The two speed levels: the track bar's positions, named for command lines.
inline constexpr int kBoost = 0;
inline constexpr int kMaximumBoost = 1;
inline constexpr const char* kSpeedLevelIds[] = {"boost", "max"};

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
