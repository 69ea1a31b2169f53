#pragma once
// The registry side of optimize and restore, without windows: the caller
// passes the user's choices in and is told what the operation did. Every
// write is read back; Windows may refuse any of them.
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

// Where a tuned value lies: a per-user value in the desktop user's own hive
// (`desktopUser` as below), the others where the plan names them.
KeyPlace TunedKeyPlace(const RegistryPlace& place, const std::wstring& desktopUser);

// Whether the program key holds a backup: the flag, and a record or an older version's values behind it.
bool BackupHeld();
// Remembers the connection row and speed level the user chose.
void SaveChoice(int row, int speedLevel);
// `desktopUser`: the security identifier of the user whose per-user values
// are meant, when that is not the user we run as (OtherDesktopUserSid);
// empty for our own HKEY_CURRENT_USER.

// Backs the originals up unless a backup is held, then writes the tuned values.
OptimizeOutcome Optimize(int row, int speedLevel, const std::wstring& desktopUser);
// Puts the originals back; releases the backup only when all of them are back.
// `betweenValues` runs after each value, for callers that pace the work.
RestoreOutcome Restore(int row, const std::wstring& desktopUser, const std::function<void()>& betweenValues = {});

// The steps of the two operations.
// True once the whole record is stored and read back; otherwise none of it is left.
bool TakeBackup(const std::wstring& desktopUser);
// The names Windows refused.
std::vector<std::wstring> WriteTunedValues(int row, int speedLevel, const std::wstring& desktopUser);
// Fills the outcome's two lists of names that are not back.
RestoreOutcome PutBackOriginals(int row, const std::wstring& desktopUser,
                                const std::function<void()>& betweenValues = {});
// True when nothing of a record is left.
bool DropBackup();

// What Restore would do with each of the fourteen values, in table order,
// from the backup as it is now; for a held backup only.
struct SavedOriginal {
    enum Kind {
        Saved,       // put back as `value`
        Absent,      // was not there before: deleted
        Missing,     // neither saved nor listed as absent: the original is lost
        Unreadable,  // the saved copy cannot be read now
        Untouched,   // an older version's backup that leaves this value alone for the row
    };
    RegistryPlace place{};
    const wchar_t* name = nullptr;
    Kind kind = Untouched;
    RawValue value;
};
std::vector<SavedOriginal> SavedOriginals(int row);

}  // namespace zephrin
