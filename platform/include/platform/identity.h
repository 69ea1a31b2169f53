#pragma once
// The names this program is known by to Windows, to its installer and to the
// maker's servers. Each is written here once.
namespace zephrin {

inline constexpr wchar_t kProductVersion[] = L"7.8.18.2014";
inline constexpr char kProductVersionAscii[] = "7.8.18.2014";

// Files that lie in the program folder.
inline constexpr wchar_t kProgramFile[] = L"Zephrin.exe";
inline constexpr wchar_t kUpdaterFile[] = L"ZephrinUpdate.exe";
inline constexpr wchar_t kHelpFile[] = L"Zephrin.chm";
inline constexpr wchar_t kLicenseFile[] = L"License.rtf";
inline constexpr wchar_t kHelpTopic[] = L"/html/main.htm";

}  // namespace zephrin
