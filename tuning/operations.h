#pragma once
// The optimize and restore operations behind the main window's two buttons.
#include <string>
#include <vector>

namespace zephrin {

class MainWindow;
class SettingsWindow;

void OptimizeOperation(MainWindow& main, SettingsWindow& progress);
void RestoreOperation(MainWindow& main, SettingsWindow& progress);

// The registry side of the operations, without windows.
void TakeBackup();
void WriteTunedValues(int row, int speedLevel);
void PutBackOriginals(int row);
void DropBackup();

// Where the full record of the tuned values' earlier state is kept.
inline const wchar_t kBackupKeyPath[] = L"\\Software\\ORVANE\\Zephrin\\Backup\\";
inline const wchar_t kBackupRecordValue[] = L"BackupRecord";
inline const wchar_t kBackupAbsentValue[] = L"BackupAbsent";

std::wstring JoinParagraphs(const std::vector<std::wstring>& parts);

}  // namespace zephrin
