#pragma once
// The registry side of optimize and restore, without windows: the caller
// passes the user's choices in and is told what the operation did. Every
// write is read back; Windows may refuse any of them.
//
// The two Internet Settings values belong to a person, not to the computer:
// their originals are kept per user, under the user's security identifier,
// and Restore puts each user's back into that user's own hive, whoever runs it.
#include <functional>
#include <string>
#include <vector>

#include "features/tuning_plan.h"
#include "platform/desktop_user.h"
#include "platform/registry.h"

namespace zephrin {

struct OptimizeOutcome {
    // False: Windows did not let the originals be saved, and nothing was changed.
    bool backupHeld = false;
    // Tuned values Windows did not take; their originals stay as they were.
    std::vector<std::wstring> refused;
    // How many values now hold their tuned data.
    int changed = 0;
    // How many of those held it already before.
    int alreadySet = 0;
    // Whether any value holds other data than before.
    bool ChangedAnything() const { return changed > alreadySet; }
};

struct RestoreOutcome {
    // Values Windows did not let us put back or delete; while any remain the backup is kept.
    std::vector<std::wstring> notPutBack;
    // Values the record has no saved original for, nor lists as absent: a damaged
    // record. Nothing can bring them back, so the backup is kept for the rest.
    std::vector<std::wstring> copyMissing;
    // The flag stood alone: there was nothing to put back, and nothing was changed.
    bool nothingSaved = false;
    // Every original is back; only then may the backup go.
    bool AllBack() const { return notPutBack.empty() && copyMissing.empty(); }
    // A backup is still held, so Restore stays on offer.
    bool backupHeld = false;
};

// Where a tuned value lies: a per-user value in `user`'s own hive (nowhere
// for nobody), the others where the plan names them.
KeyPlace TunedKeyPlace(const RegistryPlace& place, const PerUser& user);
inline bool IsPerUserValue(const RegistryPlace& place) { return place.root == HKEY_CURRENT_USER; }

// Whether the program key holds a backup: the flag, and a record or an older version's values behind it.
bool BackupHeld();
// Remembers the connection row and speed level the user chose.
void SaveChoice(int row, int speedLevel);

// Backs the originals up unless a backup is held (and `user`'s own unless
// theirs are held), then writes the tuned values; for nobody, the per-user
// values are left out.
OptimizeOutcome Optimize(int row, int speedLevel, const PerUser& user);
// Puts the originals back, each user's into that user's hive; releases the
// backup only when all of them are back. `user` is whose per-user values a
// backup of an older version meant. `betweenValues` runs after each value,
// for callers that pace the work.
RestoreOutcome Restore(int row, const PerUser& user, const std::function<void()>& betweenValues = {});
// Whether every value Optimize would write for the row and level holds that data now.
bool HoldsTunedValues(int row, int speedLevel, const PerUser& user);

// The steps of the two operations.
// True once the whole record is stored and read back; otherwise none of it is left.
bool TakeBackup(const PerUser& user);
// The names Windows refused.
std::vector<std::wstring> WriteTunedValues(int row, int speedLevel, const PerUser& user);
// Fills the outcome's two lists of names that are not back.
RestoreOutcome PutBackOriginals(int row, const PerUser& user, const std::function<void()>& betweenValues = {});
// True when nothing of a record is left.
bool DropBackup();

// What Restore would do with each of the fourteen values, in table order,
// from the backup as it is now, for `user`'s per-user values; for a held backup only.
struct SavedOriginal {
    enum Kind {
        Saved,       // put back as `value`
        Absent,      // was not there before: deleted
        Missing,     // neither saved nor listed as absent: the original is lost
        Unreadable,  // the saved copy cannot be read now
        Untouched,   // Restore leaves this value alone (an older version's backup for the row, or not this user's)
    };
    RegistryPlace place{};
    const wchar_t* name = nullptr;
    Kind kind = Untouched;
    RawValue value;
};
std::vector<SavedOriginal> SavedOriginals(int row, const PerUser& user);

// The users whose per-user originals the backup keeps, by security identifier.
std::vector<std::wstring> BackedUpUsers();

}  // namespace zephrin
