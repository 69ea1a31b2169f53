#pragma once
// Test helpers: scratch registry keys, the real program as a child process,
// its windows and its message boxes.
#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace zephrin::test {

std::wstring BinFolder();  // where Zephrin.exe and the tests lie, with a trailing separator
std::string Narrow(const std::wstring& w);

// Deletes a whole key below a root; missing keys are fine.
void DeleteKeyTree(HKEY root, const std::wstring& path);
// Removes the program key so that a case starts from a fresh install.
void ResetProgramKey();

// A scratch key below HKCU, deleted before and after the case.
class ScratchKey {
public:
    explicit ScratchKey(const std::wstring& name);
    ~ScratchKey();
    const std::wstring& path() const { return path_; }  // with a leading backslash

private:
    std::wstring path_;
};

// Sends this process's HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER to scratch
// keys for its lifetime, so in-process cases never touch the real TCP/IP keys.
class RegistryRedirect {
public:
    RegistryRedirect();
    ~RegistryRedirect();
    RegistryRedirect(const RegistryRedirect&) = delete;
    RegistryRedirect& operator=(const RegistryRedirect&) = delete;

private:
    UniqueKey machine_, user_;
};

struct RawRegValue {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
    // Two absent values are equal whatever they were read with.
    bool operator==(const RawRegValue& o) const {
        return present == o.present && (!present || (type == o.type && data == o.data));
    }
};
RawRegValue ReadRaw(HKEY root, const std::wstring& path, const std::wstring& name);
void WriteRaw(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
              DWORD size);
void WriteDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value);
void WriteSz(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value);
std::optional<DWORD> ReadDwordValue(HKEY root, const std::wstring& path, const std::wstring& name);
std::optional<std::wstring> ReadSzValue(HKEY root, const std::wstring& path, const std::wstring& name);
bool KeyExists(HKEY root, const std::wstring& path);

// Whether a process of that file name runs now (case ignored).
bool ProcessRunning(const std::wstring& exeName);

// Waits until `done` holds or the time runs out; pumps this thread's messages meanwhile.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// The real program (or another file of the program folder, or one given by its full path) as a child process.
class Program {
public:
    explicit Program(const std::wstring& arguments = L"", const std::wstring& exe = L"Zephrin.exe");
    ~Program();  // ends the process if it still runs
    DWORD pid() const { return pi_.dwProcessId; }
    bool started() const { return pi_.hProcess != nullptr; }
    // Exit code once ended within the time; nullopt while it still runs.
    std::optional<DWORD> WaitExit(std::chrono::milliseconds timeout);
    void Kill();

private:
    PROCESS_INFORMATION pi_{};
};

// Top-level window of a class that belongs to a process (any process when pid is 0).
HWND FindTopWindow(const std::wstring& className, DWORD pid);
HWND WaitForWindow(const std::wstring& className, DWORD pid, std::chrono::milliseconds timeout);
std::vector<HWND> TopWindowsOf(DWORD pid);
HWND FindChildByText(HWND parent, const std::wstring& className, const std::wstring& text);
std::wstring WindowText(HWND wnd);

struct MessageBoxInfo {
    HWND window = nullptr;
    std::wstring title;
    std::wstring text;
    std::vector<std::pair<int, std::wstring>> buttons;  // control id, caption
    int defaultButton = 0;                              // id of the BS_DEFPUSHBUTTON one
    HWND owner = nullptr;
};
std::optional<MessageBoxInfo> WaitForMessageBox(DWORD pid, std::chrono::milliseconds timeout);
// A box that another window owns, in any process (a setup program's, whose process is not ours to know).
std::optional<MessageBoxInfo> WaitForOwnedMessageBox(HWND owner, std::chrono::milliseconds timeout);
MessageBoxInfo ReadMessageBox(HWND box, std::chrono::milliseconds timeout);
void AnswerMessageBox(const MessageBoxInfo& box, int buttonId);

// Makes Wine pose as a Windows version for one program file name.
void SetWineVersionFor(const std::wstring& exeName, const std::wstring& version);
void ClearWineVersionFor(const std::wstring& exeName);

// Copies a file into the program folder under another name (for stand-ins).
bool CopyIntoBin(const std::wstring& from, const std::wstring& to);
std::wstring ReadTextFile(const std::wstring& path);
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// The setup program's entry under Add or Remove Programs.
inline constexpr wchar_t kUninstallKey[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zephrin";
// Where the setup program installs by default, with a trailing separator.
std::wstring InstallFolder();
// A path of the build machine as this Windows sees it.
std::wstring HostPath(const std::string& unixPath);
// Names of the files in a folder (with its trailing separator) that match a pattern.
std::vector<std::wstring> FilesIn(const std::wstring& folder, const std::wstring& pattern);

}  // namespace zephrin::test

namespace zephrin::test {
// Runs `task` from this thread's message loop, after what is queued now.
void RunLater(std::function<void()> task);
}  // namespace zephrin::test

namespace zephrin::test {
// Saves what the screen shows in a rectangle as a PNG in the build's screenshot folder.
bool SaveScreenPng(const RECT& screenRect, const std::wstring& fileName);
// Waits until a window and its children have painted everything and the screen shows it.
bool WaitUntilPainted(HWND window, std::chrono::milliseconds timeout);
// Pixels in a screen rectangle that are clearly coloured, not white, black or grey.
int CountColoredPixels(const RECT& screenRect);
// What the screen shows in a rectangle, row by row, as 0x00RRGGBB.
std::vector<uint32_t> CaptureScreen(const RECT& screenRect);
}  // namespace zephrin::test

namespace zephrin::test {
// Puts one of the build's signed test releases where the update server serves it.
void ServeRelease(const std::wstring& name);
// What the update server has served so far, one line per request.
std::string UpdateServerLog();
// The temporary folder, where the updater downloads, with its trailing separator.
std::wstring TempFolder();
}  // namespace zephrin::test

namespace zephrin::test {
// The desktop's icon-title font, as a Korean desktop has it (a Hangul face); null puts the default back.
void UseDesktopFont(const wchar_t* face);
}  // namespace zephrin::test
