#include "features/tuning_engine.h"

#include "features/tuning_plan.h"
#include "platform/program_key.h"
#include "platform/registry.h"

namespace zephrin {
namespace {

// Names listed in a REG_MULTI_SZ value.
std::vector<std::wstring> ReadNameList(const std::wstring& name) {
    RawValue raw;
    std::vector<std::wstring> names;
    if (ReadRegistryRaw(kProgramRoot, kProgramKeyPath, name, raw) != RawRead::Present ||
        raw.type != REG_MULTI_SZ)
        return names;
    const auto* text = reinterpret_cast<const wchar_t*>(raw.data.data());
    const size_t count = raw.data.size() / sizeof(wchar_t);
    std::wstring current;
    for (size_t i = 0; i < count; ++i) {
        if (text[i] == L'\0') {
            if (!current.empty()) names.push_back(current);
            current.clear();
        } else {
            current += text[i];
        }
    }
    return names;
}

void WriteNameList(const std::wstring& name, const std::vector<std::wstring>& names) {
    RawValue raw;
    raw.type = REG_MULTI_SZ;
    std::wstring joined;
    for (const auto& n : names) joined += n + L'\0';
    joined += L'\0';
    const auto* bytes = reinterpret_cast<const BYTE*>(joined.data());
    raw.data.assign(bytes, bytes + joined.size() * sizeof(wchar_t));
    WriteRegistryRaw(kProgramRoot, kProgramKeyPath, name, raw);
}

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name) {
    for (const auto& n : names)
        if (n == name) return true;
    return false;
}

bool IsBackupValue(const wchar_t* name) {
    for (const BackupValue& b : BackupValues())
        if (std::wstring(b.name) == name) return true;
    return false;
}

}  // namespace

bool BackupHeld() { return ReadProgramBool(value::kRestore, false); }

void SaveChoice(int row, int speedLevel) {
    WriteProgramInteger(value::kInternetType, row);
    WriteProgramInteger(value::kSpeedSetting, speedLevel);
}

TuningOutcome Optimize(int row, int speedLevel) {
    if (!BackupHeld()) TakeBackup();
    WriteTunedValues(row, speedLevel);
    return TuningOutcome{true};
}

TuningOutcome Restore(int row) {
    PutBackOriginals(row);
    // The flag goes only once the originals are back in place.
    DeleteProgramValue(value::kRestore);
    DropBackup();
    return TuningOutcome{false};
}

void TakeBackup() {
    // A stale, half-written record from an interrupted run must not survive.
    DropBackup();
    for (const BackupValue& b : BackupValues()) {
        const int32_t v = ReadRegistryInteger(b.place.root, b.place.path, b.name, b.defaultValue, false);
        WriteProgramInteger(b.name, v);
    }
    std::vector<std::wstring> absent;
    for (const TunedValue& t : AllTunedValues()) {
        RawValue raw;
        switch (ReadRegistryRaw(t.place.root, t.place.path, t.name, raw)) {
        case RawRead::Present:
            WriteRegistryRaw(kProgramRoot, kBackupKeyPath, t.name, raw);
            break;
        case RawRead::Absent:
            absent.push_back(t.name);
            break;
        case RawRead::Unknown:
            break;  // neither put back nor deleted later
        }
    }
    WriteNameList(value::kBackupAbsent, absent);
    WriteProgramBool(value::kBackupRecord, true);
    // Only now does the flag say that a complete backup is held.
    WriteProgramBool(value::kRestore, true);
}

void WriteTunedValues(int row, int speedLevel) {
    for (const TunedValue& t : TunedValuesFor(row, speedLevel))
        WriteRegistryInteger(t.place.root, t.place.path, t.name, t.data, false);
}

void PutBackOriginals(int row) {
    if (ReadProgramBool(value::kBackupRecord, false)) {
        const std::vector<std::wstring> absent = ReadNameList(value::kBackupAbsent);
        for (const TunedValue& t : AllTunedValues()) {
            RawValue raw;
            if (ReadRegistryRaw(kProgramRoot, kBackupKeyPath, t.name, raw) == RawRead::Present)
                WriteRegistryRaw(t.place.root, t.place.path, t.name, raw);
            else if (Contains(absent, t.name))
                DeleteRegistryValue(t.place.root, t.place.path, t.name, false);
        }
        return;
    }
    // A backup taken by an older version holds only the four values.
    for (const BackupValue& b : BackupValues()) {
        const int32_t v = ReadProgramInteger(b.name, b.defaultValue);
        WriteRegistryInteger(b.place.root, b.place.path, b.name, v, false);
    }
    if (RowGetsStackValues(row)) {
        for (const TunedValue& t : AllTunedValues())
            if (!IsBackupValue(t.name)) DeleteRegistryValue(t.place.root, t.place.path, t.name, false);
    }
}

void DropBackup() {
    for (const BackupValue& b : BackupValues()) DeleteProgramValue(b.name);
    for (const TunedValue& t : AllTunedValues()) DeleteRegistryValue(kProgramRoot, kBackupKeyPath, t.name, false);
    DeleteProgramValue(value::kBackupAbsent);
    DeleteProgramValue(value::kBackupRecord);
}

}  // namespace zephrin
