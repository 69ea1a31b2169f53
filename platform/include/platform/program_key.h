#pragma once
// The program's own registry key and the names of the values it keeps there.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace zephrin {

inline const HKEY kProgramRoot = HKEY_LOCAL_MACHINE;
inline const wchar_t kProgramKeyPath[] = L"\\Software\\ORVANE\\Zephrin\\";

namespace value {
inline const wchar_t kInstalledDate[] = L"InstalledDate";
inline const wchar_t kUpdated[] = L"Updated";
inline const wchar_t kUpdatedDate[] = L"UpdatedDate";
inline const wchar_t kInternetType[] = L"InternetType";
inline const wchar_t kSpeedSetting[] = L"SpeedSetting";
inline const wchar_t kRestore[] = L"Restore";
inline const wchar_t kLanguage[] = L"Language";
// The full record of the tuned values' earlier state.
inline const wchar_t kBackupRecord[] = L"BackupRecord";
inline const wchar_t kBackupAbsent[] = L"BackupAbsent";
// The users whose per-user originals the record keeps, each under Users\<SID>\; its
// presence says that the record keeps them apart from the computer's.
inline const wchar_t kBackupUsers[] = L"BackupUsers";
// The highest release manifest serial the updater acted on: no lower one is taken again.
inline const wchar_t kReleaseSerial[] = L"ReleaseSerial";
}  // namespace value

// Subkey of the program key that holds one value per tuned value that existed.
inline const std::wstring kBackupKeyPath = std::wstring(kProgramKeyPath) + L"Backup\\";

// Typed access to the program key, always in the registry view the system gives us.
std::wstring ReadProgramString(const std::wstring& name, const std::wstring& defaultValue);
int32_t ReadProgramInteger(const std::wstring& name, int32_t defaultValue);
bool ReadProgramBool(const std::wstring& name, bool defaultValue);
bool WriteProgramString(const std::wstring& name, const std::wstring& value);
bool WriteProgramInteger(const std::wstring& name, int32_t value);
bool WriteProgramBool(const std::wstring& name, bool value);
bool DeleteProgramValue(const std::wstring& name);

// The start-up stamps: first start, and a pending update flag turned into a date.
// `now` makes the current timestamp string at the moment of each write.
void StampProgramKey(const std::function<std::wstring()>& now);

}  // namespace zephrin
