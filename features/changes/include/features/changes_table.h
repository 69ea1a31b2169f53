#pragma once
// What the optimization changes on this computer, value by value: the data
// now, what Optimize would write, what Restore would put back, and whether
// this Windows uses it. Reading only; nothing here writes to the registry.
#include <string>
#include <vector>

#include "features/tuning_plan.h"
#include "features/value_verdicts.h"
#include "platform/desktop_user.h"
#include "platform/registry.h"
#include "platform/windows_version.h"

namespace zephrin {

// One cell of registry data.
struct DataCell {
    enum State { Set, NotSet, CannotBeRead, NotChanged, NoUser };
    State state = NotSet;
    RawValue value;  // when Set
};

enum class ValueArea { InternetSettings, TcpIp, PacketScheduler };

struct ChangesRow {
    std::wstring name;
    ValueArea area = ValueArea::TcpIp;
    KeyPlace key{};  // where the value is read: the desktop user's hive for per-user values
    DataCell now;
    DataCell afterOptimize;  // NotChanged where the connection row does not write it
    DataCell beforeZephrin;  // meaningful only while a backup is held
    Verdict verdict = Verdict::NotKnown;
    PolicyOwner managedBy = PolicyOwner::None;
};

struct ChangesTable {
    RealWindowsVersion system;
    int connectionRow = 0;
    int speedLevel = 0;
    // Whose per-user values the table shows: their security identifier; empty when no one is logged on.
    std::wstring user;
    bool backupHeld = false;
    std::vector<ChangesRow> rows;  // the plan's order
};

// For nobody, the per-user values are NoUser throughout.
ChangesTable ReadChangesTable(int connectionRow, int speedLevel, const PerUser& user, const RealWindowsVersion& system);

// REG_DWORD and friends by their registry names; others as "0x" and the number.
std::wstring RegistryTypeName(DWORD type);
// Data as a person reads it: a number in decimal, text in quotes, the type
// named when it is not REG_DWORD.
std::wstring DescribeData(const RawValue& value);
// The full key name, as Registry Editor writes it.
std::wstring FullKeyName(const KeyPlace& key);

// A Registry Editor file that puts every readable value back as it is in
// `table` now: present ones with their type and data, absent ones deleted.
// The caller writes it as UTF-16 with its byte-order mark.
std::wstring SettingsRegFile(const ChangesTable& table);
// The table for administrators, as UTF-8 JSON.
std::string ChangesJson(const ChangesTable& table, const std::wstring& programVersion);

}  // namespace zephrin
