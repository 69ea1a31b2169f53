#pragma once
// What the main window's Optimize now and Restore buttons do around the
// tuning engine: the question, the progress window's paced steps, the
// restart question.
namespace zephrin {

class MainWindow;
class ProgressWindow;

void RunOptimize(MainWindow& main, ProgressWindow& progress);
void RunRestore(MainWindow& main, ProgressWindow& progress);

// "Zephrin.exe /restore", as the uninstaller runs it: the same restore without
// any window or paced steps.
inline constexpr wchar_t kRestoreArgument[] = L"/restore";
inline constexpr int kRestoreDone = 0;        // nothing of a backup is left to put back
inline constexpr int kRestoreIncomplete = 1;  // some originals could not be put back; the backup is kept
inline constexpr int kRestoreRefused = 2;     // another copy's main window is open
int RunRestoreCommand();

}  // namespace zephrin
