#include "features/tuning_engine.h"

#include "features/tuning_plan.h"
#include "platform/desktop_user.h"
#include "platform/program_key.h"
#include "platform/registry.h"

#include <optional>

namespace zephrin {

KeyPlace TunedKeyPlace(const RegistryPlace& place, const std::wstring& desktopUser) {
    if (place.root == HKEY_CURRENT_USER) return UserKeyPlace(desktopUser, place.path);
    return {place.root, place.path, false};
}

namespace {

// Names listed in a REG_MULTI_SZ value; nullopt when the list cannot be read as one.
std::optional<std::vector<std::wstring>> ReadNameList(const std::wstring& name) {
    RawValue raw;
    if (ReadRegistryRaw(kProgramRoot, kProgramKeyPath, name, raw) != RawRead::Present ||
        raw.type != REG_MULTI_SZ)
        return std::nullopt;
    return MultiStringItems(raw);
}

bool WriteNameList(const std::wstring& name, const std::vector<std::wstring>& names) {
    RawValue raw;
    raw.type = REG_MULTI_SZ;
    std::wstring joined;
    for (const auto& n : names) joined += n + L'\0';
    joined += L'\0';
    const auto* bytes = reinterpret_cast<const BYTE*>(joined.data());
    raw.data.assign(bytes, bytes + joined.size() * sizeof(wchar_t));
    return WriteRegistryRawChecked(kProgramRoot, kProgramKeyPath, name, raw);
}

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name) {
    for (const auto& n : names)
        if (n == name) return true;
    return false;
}



}  // namespace

bool BackupHeld() {
    if (!ReadProgramBool(value::kRestore, false)) return false;
    // A flag with nothing behind it holds no backup: the next optimization takes one.
    if (ReadProgramBool(value::kBackupRecord, false)) return true;
    for (const BackupValue& b : BackupValues()) {
        RawValue raw;
        if (ReadRegistryRaw(kProgramRoot, kProgramKeyPath, b.name, raw) == RawRead::Present) return true;
    }
    return false;
}

void SaveChoice(int row, int speedLevel) {
    WriteProgramInteger(value::kInternetType, row);
    WriteProgramInteger(value::kSpeedSetting, speedLevel);
}

OptimizeOutcome Optimize(int row, int speedLevel, const std::wstring& desktopUser) {
    OptimizeOutcome outcome;
    if (!BackupHeld() && !TakeBackup(desktopUser)) return outcome;  // nothing is written without a backup
    outcome.backupHeld = true;
    outcome.refused = WriteTunedValues(row, speedLevel, desktopUser);
    outcome.changed = static_cast<int>(TunedValuesFor(row, speedLevel).size() - outcome.refused.size());
    return outcome;
}

RestoreOutcome Restore(int row, const std::wstring& desktopUser, const std::function<void()>& betweenValues) {
    RestoreOutcome outcome;
    // Without a backup there is nothing to put back: writing an older version's
    // defaults would overwrite the user's own values.
    if (BackupHeld())
        outcome = PutBackOriginals(row, desktopUser, betweenValues);
    else
        outcome.nothingSaved = true;
    // The backup goes only once every original is back in place; the flag goes first.
    if (outcome.AllBack() && DeleteProgramValue(value::kRestore)) DropBackup();
    outcome.backupHeld = ReadProgramBool(value::kRestore, false);
    return outcome;
}

bool TakeBackup(const std::wstring& desktopUser) {
    // A flag with nothing behind it goes first: were the run stopped half way,
    // the first values written must not make a partial record count as held.
    // A stale, half-written record from an interrupted run must not survive either.
    bool stored = DeleteProgramValue(value::kRestore) && DropBackup();
    for (const BackupValue& b : BackupValues()) {
        const int32_t v = ReadDword(TunedKeyPlace(b.place, desktopUser), b.name, b.defaultValue);
        stored = stored && WriteRegistryRawChecked(kProgramRoot, kProgramKeyPath, b.name, DwordValue(v));
    }
    std::vector<std::wstring> absent;
    for (const TunedValue& t : AllTunedValues()) {
        if (!stored) break;
        RawValue raw;
        switch (ReadRaw(TunedKeyPlace(t.place, desktopUser), t.name, raw)) {
        case RawRead::Present:
            stored = WriteRegistryRawChecked(kProgramRoot, kBackupKeyPath, t.name, raw);
            break;
        case RawRead::Absent:
            absent.push_back(t.name);
            break;
        case RawRead::Unknown:
            stored = false;  // an original we cannot read is one we could never put back
            break;
        }
    }
    stored = stored && WriteNameList(value::kBackupAbsent, absent) &&
             WriteRegistryRawChecked(kProgramRoot, kProgramKeyPath, value::kBackupRecord, DwordValue(1)) &&
             // Only now does the flag say that a complete backup is held.
             WriteRegistryRawChecked(kProgramRoot, kProgramKeyPath, value::kRestore, DwordValue(1));
    if (!stored) {
        DeleteProgramValue(value::kRestore);
        DropBackup();
    }
    return stored;
}

std::vector<std::wstring> WriteTunedValues(int row, int speedLevel, const std::wstring& desktopUser) {
    std::vector<std::wstring> refused;
    for (const TunedValue& t : TunedValuesFor(row, speedLevel))
        if (!WriteRawChecked(TunedKeyPlace(t.place, desktopUser), t.name, DwordValue(t.data))) refused.push_back(t.name);
    return refused;
}

std::vector<SavedOriginal> SavedOriginals(int row) {
    std::vector<SavedOriginal> saved;
    if (ReadProgramBool(value::kBackupRecord, false)) {
        const auto absent = ReadNameList(value::kBackupAbsent);
        for (const TunedValue& t : AllTunedValues()) {
            SavedOriginal s;
            s.place = t.place;
            s.name = t.name;
            switch (ReadRegistryRaw(kProgramRoot, kBackupKeyPath, t.name, s.value)) {
            case RawRead::Present:
                s.kind = SavedOriginal::Saved;
                break;
            case RawRead::Absent:
                // Not saved, so it must be listed as absent before it may be deleted. Neither
                // saved nor listed (or no list at all) is a damaged record: its original is lost.
                s.kind = absent && Contains(*absent, t.name) ? SavedOriginal::Absent : SavedOriginal::Missing;
                break;
            case RawRead::Unknown:
                s.kind = SavedOriginal::Unreadable;
                break;
            }
            saved.push_back(std::move(s));
        }
        return saved;
    }
    // A backup taken by an older version holds only the four values, and
    // removes the rest for the rows that write them.
    for (const TunedValue& t : AllTunedValues()) {
        SavedOriginal s;
        s.place = t.place;
        s.name = t.name;
        for (const BackupValue& b : BackupValues()) {
            if (std::wstring(b.name) != t.name) continue;
            s.kind = SavedOriginal::Saved;
            s.value = DwordValue(ReadProgramInteger(b.name, b.defaultValue));
        }
        if (s.kind != SavedOriginal::Saved && RowGetsStackValues(row)) s.kind = SavedOriginal::Absent;
        saved.push_back(std::move(s));
    }
    return saved;
}

RestoreOutcome PutBackOriginals(int row, const std::wstring& desktopUser, const std::function<void()>& betweenValues) {
    RestoreOutcome outcome;
    for (const SavedOriginal& s : SavedOriginals(row)) {
        bool ok = true;
        const KeyPlace key = TunedKeyPlace(s.place, desktopUser);
        switch (s.kind) {
        case SavedOriginal::Saved:
            ok = WriteRawChecked(key, s.name, s.value);
            break;
        case SavedOriginal::Absent:
            ok = DeleteValueChecked(key, s.name);
            break;
        case SavedOriginal::Missing:
            outcome.copyMissing.push_back(s.name);
            break;
        case SavedOriginal::Unreadable:
            ok = false;
            break;
        case SavedOriginal::Untouched:
            continue;
        }
        if (!ok) outcome.notPutBack.push_back(s.name);
        if (betweenValues) betweenValues();
    }
    return outcome;
}

bool DropBackup() {
    bool gone = true;
    for (const BackupValue& b : BackupValues())
        gone = DeleteRegistryValueChecked(kProgramRoot, kProgramKeyPath, b.name) && gone;
    for (const TunedValue& t : AllTunedValues())
        gone = DeleteRegistryValueChecked(kProgramRoot, kBackupKeyPath, t.name) && gone;
    gone = DeleteRegistryValueChecked(kProgramRoot, kProgramKeyPath, value::kBackupAbsent) && gone;
    return DeleteRegistryValueChecked(kProgramRoot, kProgramKeyPath, value::kBackupRecord) && gone;
}

}  // namespace zephrin
