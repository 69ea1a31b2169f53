#pragma once
// The thin layer over the shell, the help viewer and the sound service.
// Nothing here reports a failure.
#include <windows.h>

#include <string>

namespace zephrin {

// The folder of the running program file, with its trailing separator.
std::wstring ProgramFolder();

void ShellOpen(const std::wstring& file, const std::wstring& parameters);
void ShellOpenNoOwner(const std::wstring& file, const std::wstring& parameters);
void ShellOpenURL(const std::wstring& address);

std::wstring HelpPath(const std::wstring& folder, const std::wstring& file, const std::wstring& topic);
void ShowHelpTopic(const std::wstring& helpFile, const std::wstring& topic);
// The help viewer's library, loaded on the first request; null when unusable.
HMODULE HelpLibrary();
// Where the help viewer's library is loaded from: the system folder only.
std::wstring HelpLibraryPath();

void PlayClickSound();
void InstallHandCursor();

// The maker's pages.
std::wstring HomePageUrl();
std::wstring SupportPageUrl();

inline const wchar_t kHelpFile[] = L"Zephrin.chm";
inline const wchar_t kHelpTopic[] = L"/html/main.htm";
inline const wchar_t kUpdaterFile[] = L"ZephrinUpdate.exe";
inline const wchar_t kProgramFile[] = L"Zephrin.exe";
inline const wchar_t kLicenseFile[] = L"License.rtf";

// The hidden window that stands for the whole program as the owner of launches.
void SetApplicationWindow(HWND window);
HWND ApplicationWindow();

}  // namespace zephrin
