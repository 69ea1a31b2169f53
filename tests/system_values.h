#pragma once
// The fourteen values the optimization may change, as a test sees them: a
// snapshot to compare, a machine with settings of its own, and a clean slate.
#include <string>
#include <vector>

#include "features/tuning_plan.h"
#include "harness.h"

namespace zephrin::test {

struct Snapshot {
    std::vector<RawRegValue> values;
    bool operator==(const Snapshot& o) const { return values == o.values; }
};

inline Snapshot TakeSnapshot() {
    Snapshot s;
    for (const TunedValue& t : AllTunedValues()) s.values.push_back(ReadRaw(t.place.root, t.place.path, t.name));
    return s;
}

inline std::string Describe(const Snapshot& s) {
    std::string out;
    const auto all = AllTunedValues();
    for (size_t i = 0; i < s.values.size(); ++i) {
        out += Narrow(all[i].name) + "=";
        if (!s.values[i].present) out += "absent";
        else if (s.values[i].type == REG_DWORD) out += std::to_string(*reinterpret_cast<const DWORD*>(s.values[i].data.data()));
        else out += "type" + std::to_string(s.values[i].type);
        out += " ";
    }
    return out;
}

// Every tuned value gone from the system keys.
inline void ClearSystemValues() {
    for (const TunedValue& t : AllTunedValues()) {
        std::wstring p = std::wstring(t.place.path).substr(1);
        HKEY k;
        if (RegOpenKeyExW(t.place.root, p.c_str(), 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
            RegDeleteValueW(k, t.name);
            RegCloseKey(k);
        }
    }
}

// A machine with a few settings of its own, of several types.
inline void SeedOriginals() {
    WriteDword(HKEY_CURRENT_USER, kInternetSettingsKey.path, L"MaxConnectionsPerServer", 10);
    WriteDword(HKEY_LOCAL_MACHINE, kTcpipParametersKey.path, L"DefaultTTL", 128);
    WriteSz(HKEY_LOCAL_MACHINE, kTcpipParametersKey.path, L"TcpWindowSize", L"65535");
    WriteDword(HKEY_LOCAL_MACHINE, kPschedPolicyKey.path, L"NonBestEffortLimit", 20);
}

}  // namespace zephrin::test
