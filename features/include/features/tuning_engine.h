#pragma once
// The registry side of optimize and restore, without windows: the caller
// passes the user's choices in and is told what the operation left behind.
#include <string>
#include <vector>

namespace zephrin {

struct TuningOutcome {
    // A backup is held afterwards, so Restore is on offer.
    bool backupHeld = false;
};

// Whether the program key says that a complete backup is held.
bool BackupHeld();
// Remembers the connection row and speed level the user chose.
void SaveChoice(int row, int speedLevel);
// Backs the originals up unless a backup is held, then writes the tuned values.
TuningOutcome Optimize(int row, int speedLevel);
// Puts the originals back and releases the backup.
TuningOutcome Restore(int row);

// The steps of the two operations.
void TakeBackup();
void WriteTunedValues(int row, int speedLevel);
void PutBackOriginals(int row);
void DropBackup();

}  // namespace zephrin
