#include "features/tuning_engine.h"

#include "features/tuning_plan.h"
#include "platform/desktop_user.h"
#include "platform/program_key.h"
#include "platform/registry.h"

#include <optional>

namespace zephrin {

KeyPlace TunedKeyPlace(const RegistryPlace& place, const PerUser& user) {
    if (IsPerUserValue(place)) return UserKeyPlace(user, place.path);
    return {place.root, place.path, false};
}

namespace {

// A user's record: one value per per-user original that existed, a list of those that did not, and the mark that it is whole.
const wchar_t kUserAbsent[] = L"Absent";
const wchar_t kUserComplete[] = L"Complete";

std::wstring UserRecordPath(const std::wstring& sid) { return std::wstring(kProgramKeyPath) + L"Users\\" + sid + L"\\"; }

// Names listed in a REG_MULTI_SZ value; nullopt when the list cannot be read as one.
std::optional<std::vector<std::wstring>> ReadNameList(const std::wstring& path, const std::wstring& name) {
    RawValue raw;
    if (ReadRegistryRaw(kProgramRoot, path, name, raw) != RawRead::Present || raw.type != REG_MULTI_SZ)
        return std::nullopt;
    return MultiStringItems(raw);
}

bool WriteNameList(const std::wstring& path, const std::wstring& name, const std::vector<std::wstring>& names) {
    RawValue raw;
    raw.type = REG_MULTI_SZ;
    std::wstring joined;
    for (const auto& n : names) joined += n + L'\0';
    joined += L'\0';
    const auto* bytes = reinterpret_cast<const BYTE*>(joined.data());
    raw.data.assign(bytes, bytes + joined.size() * sizeof(wchar_t));
    return WriteRegistryRawChecked(kProgramRoot, path, name, raw);
}

bool SameSid(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name) {
    for (const auto& n : names)
        if (n == name || SameSid(n, name)) return true;
    return false;
}

// A record taken by this version keeps the per-user originals apart, per user.
bool KeepsUsersApart() {
    RawValue raw;
    return ReadRegistryRaw(kProgramRoot, kProgramKeyPath, value::kBackupUsers, raw) == RawRead::Present;
}

// With no one logged on, the per-user values have no one to belong to: they are left alone.
bool NobodysValue(const RegistryPlace& place, const PerUser& user) { return IsPerUserValue(place) && user.nobody(); }

// Whether `key` holds what tuning writes for `t`, type and data.
bool HoldsTuned(const KeyPlace& key, const TunedValue& t) {
    const RawValue tuned = DwordValue(t.data);
    RawValue now;
    return ReadRaw(key, t.name, now) == RawRead::Present && now.type == tuned.type && now.data == tuned.data;
}

bool UserRecordHeld(const std::wstring& sid) {
    return !sid.empty() && Contains(BackedUpUsers(), sid) &&
           ReadRegistryInteger(kProgramRoot, UserRecordPath(sid), kUserComplete, 0, false) == 1;
}

bool DropUserRecord(const std::wstring& sid) {
    const std::wstring path = UserRecordPath(sid);
    bool gone = DeleteRegistryValueChecked(kProgramRoot, path, kUserComplete);
    for (const TunedValue& t : AllTunedValues())
        if (IsPerUserValue(t.place)) gone = DeleteRegistryValueChecked(kProgramRoot, path, t.name) && gone;
    gone = DeleteRegistryValueChecked(kProgramRoot, path, kUserAbsent) && gone;
    DeleteRegistryKey(kProgramRoot, path);
    std::vector<std::wstring> users;
    for (const std::wstring& u : BackedUpUsers())
        if (!SameSid(u, sid)) users.push_back(u);
    if (KeepsUsersApart()) gone = WriteNameList(kProgramKeyPath, value::kBackupUsers, users) && gone;
    return gone;
}

// `user`'s per-user originals, kept apart under their security identifier.
bool TakeUserRecord(const PerUser& user) {
    const std::wstring sid = user.Sid();
    if (sid.empty() || !DropUserRecord(sid)) return false;
    const std::wstring path = UserRecordPath(sid);
    bool stored = true;
    std::vector<std::wstring> absent;
    for (const TunedValue& t : AllTunedValues()) {
        if (!stored) break;
        if (!IsPerUserValue(t.place)) continue;
        RawValue raw;
        switch (ReadRaw(TunedKeyPlace(t.place, user), t.name, raw)) {
        case RawRead::Present: stored = WriteRegistryRawChecked(kProgramRoot, path, t.name, raw); break;
        case RawRead::Absent: absent.push_back(t.name); break;
        case RawRead::Unknown: stored = false; break;
        }
    }
    std::vector<std::wstring> users = BackedUpUsers();
    users.push_back(sid);
    stored = stored && WriteNameList(path, kUserAbsent, absent) &&
             WriteNameList(kProgramKeyPath, value::kBackupUsers, users) &&
             WriteRegistryRawChecked(kProgramRoot, path, kUserComplete, DwordValue(1));
    if (!stored) DropUserRecord(sid);
    return stored;
}

// What a saved copy under `path`, with its list of absent names, says of one value.
SavedOriginal FromRecord(const TunedValue& t, const std::wstring& path,
                         const std::optional<std::vector<std::wstring>>& absent) {
    SavedOriginal s;
    s.place = t.place;
    s.name = t.name;
    switch (ReadRegistryRaw(kProgramRoot, path, t.name, s.value)) {
    case RawRead::Present: s.kind = SavedOriginal::Saved; break;
    case RawRead::Absent:
        // Not saved, so it must be listed as absent before it may be deleted. Neither
        // saved nor listed (or no list at all) is a damaged record: its original is lost.
        s.kind = absent && Contains(*absent, t.name) ? SavedOriginal::Absent : SavedOriginal::Missing;
        break;
    case RawRead::Unknown: s.kind = SavedOriginal::Unreadable; break;
    }
    return s;
}

// Puts back what `saved` says into `user`'s places, adding what could not be to `outcome`; true when all went back.
bool PutBack(const std::vector<SavedOriginal>& saved, const PerUser& user, RestoreOutcome& outcome,
             const std::function<void()>& betweenValues) {
    bool all = true;
    for (const SavedOriginal& s : saved) {
        bool ok = true;
        const KeyPlace key = TunedKeyPlace(s.place, user);
        switch (s.kind) {
        case SavedOriginal::Saved: ok = WriteRawChecked(key, s.name, s.value); break;
        case SavedOriginal::Absent: ok = DeleteValueChecked(key, s.name); break;
        case SavedOriginal::Missing:
            outcome.copyMissing.push_back(s.name);
            all = false;
            break;
        case SavedOriginal::Unreadable: ok = false; break;
        case SavedOriginal::Untouched: continue;
        }
        if (!ok) outcome.notPutBack.push_back(s.name);
        all = all && ok;
        if (betweenValues) betweenValues();
    }
    return all;
}

}  // namespace

std::vector<std::wstring> BackedUpUsers() {
    return ReadNameList(kProgramKeyPath, value::kBackupUsers).value_or(std::vector<std::wstring>());
}

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

OptimizeOutcome Optimize(int row, int speedLevel, const PerUser& user) {
    OptimizeOutcome outcome;
    HeldUserHive hive(user);
    bool userBackedUp = true;
    if (!BackupHeld()) {
        if (!TakeBackup(user)) return outcome;  // nothing is written without a backup
    } else if (KeepsUsersApart() && !user.nobody() && !UserRecordHeld(user.Sid())) {
        // Another user's values were tuned first: this user's own originals are kept before theirs change.
        userBackedUp = TakeUserRecord(user);
    }
    outcome.backupHeld = true;
    for (const TunedValue& t : TunedValuesFor(row, speedLevel)) {
        if (NobodysValue(t.place, user)) continue;
        if (IsPerUserValue(t.place) && (!userBackedUp || !hive.present())) {
            outcome.refused.push_back(t.name);
            continue;
        }
        const KeyPlace key = TunedKeyPlace(t.place, user);
        const bool held = HoldsTuned(key, t);
        if (!WriteRawChecked(key, t.name, DwordValue(t.data))) {
            outcome.refused.push_back(t.name);
            continue;
        }
        ++outcome.changed;
        if (held) ++outcome.alreadySet;
    }
    return outcome;
}

bool HoldsTunedValues(int row, int speedLevel, const PerUser& user) {
    HeldUserHive hive(user);
    for (const TunedValue& t : TunedValuesFor(row, speedLevel))
        if (!NobodysValue(t.place, user) && !HoldsTuned(TunedKeyPlace(t.place, user), t)) return false;
    return true;
}

RestoreOutcome Restore(int row, const PerUser& user, const std::function<void()>& betweenValues) {
    RestoreOutcome outcome;
    // Without a backup there is nothing to put back: writing an older version's
    // defaults would overwrite the user's own values.
    if (BackupHeld())
        outcome = PutBackOriginals(row, user, betweenValues);
    else
        outcome.nothingSaved = true;
    // The backup goes only once every original is back in place; the flag goes first.
    if (outcome.AllBack() && DeleteProgramValue(value::kRestore) && DropBackup()) {
        // The record's keys go too, so that an uninstaller finds the program key empty of it; a key
        // that still holds something is not deleted. Before a new record they stay: whatever access
        // an administrator gave them is kept.
        DeleteRegistryKey(kProgramRoot, std::wstring(kProgramKeyPath) + L"Users\\");
        DeleteRegistryKey(kProgramRoot, kBackupKeyPath);
    }
    outcome.backupHeld = ReadProgramBool(value::kRestore, false);
    return outcome;
}

bool TakeBackup(const PerUser& user) {
    // A flag with nothing behind it goes first: were the run stopped half way,
    // the first values written must not make a partial record count as held.
    // A stale, half-written record from an interrupted run must not survive either.
    bool stored = DeleteProgramValue(value::kRestore) && DropBackup();
    for (const BackupValue& b : BackupValues()) {
        const int32_t v = NobodysValue(b.place, user) ? b.defaultValue
                                                      : ReadDword(TunedKeyPlace(b.place, user), b.name, b.defaultValue);
        stored = stored && WriteRegistryRawChecked(kProgramRoot, kProgramKeyPath, b.name, DwordValue(v));
    }
    std::vector<std::wstring> absent;
    for (const TunedValue& t : AllTunedValues()) {
        if (!stored) break;
        if (IsPerUserValue(t.place)) continue;  // kept per user, below
        RawValue raw;
        switch (ReadRaw(TunedKeyPlace(t.place, user), t.name, raw)) {
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
    stored = stored && WriteNameList(kProgramKeyPath, value::kBackupUsers, {}) &&
             (user.nobody() || TakeUserRecord(user)) && WriteNameList(kProgramKeyPath, value::kBackupAbsent, absent) &&
             WriteRegistryRawChecked(kProgramRoot, kProgramKeyPath, value::kBackupRecord, DwordValue(1)) &&
             // Only now does the flag say that a complete backup is held.
             WriteRegistryRawChecked(kProgramRoot, kProgramKeyPath, value::kRestore, DwordValue(1));
    if (!stored) {
        DeleteProgramValue(value::kRestore);
        DropBackup();
    }
    return stored;
}

std::vector<std::wstring> WriteTunedValues(int row, int speedLevel, const PerUser& user) {
    std::vector<std::wstring> refused;
    for (const TunedValue& t : TunedValuesFor(row, speedLevel)) {
        if (NobodysValue(t.place, user)) continue;
        if (!WriteRawChecked(TunedKeyPlace(t.place, user), t.name, DwordValue(t.data))) refused.push_back(t.name);
    }
    return refused;
}

std::vector<SavedOriginal> SavedOriginals(int row, const PerUser& user) {
    std::vector<SavedOriginal> saved;
    if (ReadProgramBool(value::kBackupRecord, false)) {
        const auto absent = ReadNameList(kProgramKeyPath, value::kBackupAbsent);
        const bool apart = KeepsUsersApart();
        const std::wstring sid = user.Sid();
        const bool userHeld = apart && UserRecordHeld(sid);
        const auto userAbsent = userHeld ? ReadNameList(UserRecordPath(sid), kUserAbsent) : std::nullopt;
        for (const TunedValue& t : AllTunedValues()) {
            if (!apart || !IsPerUserValue(t.place)) {
                saved.push_back(FromRecord(t, kBackupKeyPath, absent));
            } else if (userHeld) {
                saved.push_back(FromRecord(t, UserRecordPath(sid), userAbsent));
            } else {
                SavedOriginal s;  // none of this user's were changed
                s.place = t.place;
                s.name = t.name;
                saved.push_back(std::move(s));
            }
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

RestoreOutcome PutBackOriginals(int row, const PerUser& user, const std::function<void()>& betweenValues) {
    RestoreOutcome outcome;
    if (!ReadProgramBool(value::kBackupRecord, false) || !KeepsUsersApart()) {
        // An older record knows no owner for the per-user values: they go to `user`.
        HeldUserHive hive(user);
        PutBack(SavedOriginals(row, user), user, outcome, betweenValues);
        return outcome;
    }
    // The computer's values, then each user's into that user's own hive, wherever it is.
    PutBack(SavedOriginals(row, PerUser::Nobody()), PerUser::Nobody(), outcome, betweenValues);
    for (const std::wstring& sid : BackedUpUsers()) {
        const PerUser owner = PerUserOf(sid);
        HeldUserHive hive(owner);
        std::vector<SavedOriginal> theirs;
        for (SavedOriginal& s : SavedOriginals(row, owner))
            if (IsPerUserValue(s.place)) theirs.push_back(std::move(s));
        if (!hive.present()) {
            // Kept for a later Restore that can reach them.
            for (const SavedOriginal& s : theirs)
                if (s.kind != SavedOriginal::Untouched) outcome.notPutBack.push_back(s.name);
            continue;
        }
        if (PutBack(theirs, owner, outcome, betweenValues)) DropUserRecord(sid);
    }
    return outcome;
}

bool DropBackup() {
    bool gone = true;
    for (const std::wstring& sid : BackedUpUsers()) gone = DropUserRecord(sid) && gone;
    gone = DeleteRegistryValueChecked(kProgramRoot, kProgramKeyPath, value::kBackupUsers) && gone;
    for (const BackupValue& b : BackupValues())
        gone = DeleteRegistryValueChecked(kProgramRoot, kProgramKeyPath, b.name) && gone;
    for (const TunedValue& t : AllTunedValues())
        gone = DeleteRegistryValueChecked(kProgramRoot, kBackupKeyPath, t.name) && gone;
    gone = DeleteRegistryValueChecked(kProgramRoot, kProgramKeyPath, value::kBackupAbsent) && gone;
    return DeleteRegistryValueChecked(kProgramRoot, kProgramKeyPath, value::kBackupRecord) && gone;
}

}  // namespace zephrin
