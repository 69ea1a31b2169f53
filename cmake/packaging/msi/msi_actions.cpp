// The Windows Installer package's own actions (ZephrinMsiActions.dll, kept in
// the package's Binary table): what its tables cannot say. Zephrin.exe is run
// as the system account to tune the network settings once the files are in
// place (/optimize) and to put the original ones back before the files go
// (/restore), and its "restart needed" answer becomes the installer's exit
// code 3010.
//
// The two runs are deferred actions, and a deferred action may not call
// MsiSetMode: the installation script it runs from may outlive the session.
// It leaves a global atom instead, and an immediate action after
// InstallFinalize, which may, turns the atom into the restart flag. An
// immediate action at the start forgets an atom that an installation which
// failed after leaving it still left behind.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>
#include <vector>

namespace {

// Named after the package's UpgradeCode, so that no other product's atom is taken for ours.
const wchar_t kRestartAtom[] = L"Zephrin.RestartNeeded.{A25FD50E-2ACC-4F24-86CF-303EDB934B0C}";

// Zephrin.exe's exit codes for /optimize and /restore.
const DWORD kUnchanged = 0;            // nothing to change or to put back
const DWORD kRestartNeeded = 3010;     // values changed or put back; a restart makes them active
const DWORD kBusy = 1618;              // Zephrin is open or already changing the settings
const DWORD kBadArguments = 87;        // TYPE or LEVEL is not one Zephrin knows
const DWORD kFailed = 1603;            // /optimize: failure; /restore: some originals stayed out, the backup is kept

// A hung Zephrin.exe must not hold the installation, and with it every later one, for ever.
const DWORD kRunLimitMs = 10 * 60 * 1000;

void Report(MSIHANDLE install, INSTALLMESSAGE kind, const std::wstring& text) {
    MSIHANDLE record = MsiCreateRecord(1);
    if (!record) return;
    // The text goes in as a field, not as the template: a "[" in a path is no property to expand.
    MsiRecordSetStringW(record, 0, L"Zephrin: [1]");
    MsiRecordSetStringW(record, 1, text.c_str());
    MsiProcessMessage(install, kind, record);
    MsiCloseHandle(record);
}

void Log(MSIHANDLE install, const std::wstring& text) { Report(install, INSTALLMESSAGE_INFO, text); }

// In the log always; a message box as well when the installation shows one.
void Warn(MSIHANDLE install, const std::wstring& text) {
    Report(install, INSTALLMESSAGE(INSTALLMESSAGE_WARNING | MB_OK | MB_ICONWARNING), text);
}

void Fail(MSIHANDLE install, const std::wstring& text) {
    Report(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), text);
}

std::wstring Property(MSIHANDLE install, const wchar_t* name) {
    DWORD length = 0;
    wchar_t empty[1] = L"";
    if (MsiGetPropertyW(install, name, empty, &length) != ERROR_MORE_DATA) return std::wstring();
    std::vector<wchar_t> value(length + 1);
    length = static_cast<DWORD>(value.size());
    if (MsiGetPropertyW(install, name, value.data(), &length) != ERROR_SUCCESS) return std::wstring();
    return std::wstring(value.data(), length);
}

std::wstring Number(DWORD value) {
    wchar_t digits[16];
    int at = 15;
    digits[at] = L'\0';
    do {
        digits[--at] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0 && at > 0);
    return std::wstring(digits + at);
}

// The program folder as the package passes it: a full path that ends in "\".
bool IsProgramFolder(const std::wstring& folder) {
    if (folder.size() < 4 || folder.back() != L'\\') return false;
    const bool drive = folder[1] == L':' && folder[2] == L'\\';
    const bool share = folder[0] == L'\\' && folder[1] == L'\\';
    return (drive || share) && folder.find(L'"') == std::wstring::npos;
}

// OPTIMIZE="TYPE LEVEL" as the two words Zephrin.exe takes. Only letters and
// digits go onto a command line that runs as the system account; whether the
// words name a connection type and a level is for Zephrin.exe to say.
bool OptimizeWords(const std::wstring& value, std::wstring& words) {
    std::vector<std::wstring> parts(1);
    for (wchar_t c : value) {
        if (c == L' ') {
            if (!parts.back().empty()) parts.emplace_back();
        } else if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')) {
            parts.back() += c;
        } else {
            return false;
        }
    }
    if (parts.back().empty()) parts.pop_back();
    if (parts.size() != 2) return false;
    words = parts[0] + L" " + parts[1];
    return true;
}

// Runs "<folder>Zephrin.exe" <arguments> and waits for its exit code. False,
// with the reason in `problem`, when it could not be started or did not end in time.
bool RunZephrin(const std::wstring& folder, const std::wstring& arguments, DWORD& exitCode, std::wstring& problem) {
    const std::wstring program = folder + L"Zephrin.exe";
    std::wstring line = L"\"" + program + L"\" " + arguments;
    std::vector<wchar_t> commandLine(line.begin(), line.end());
    commandLine.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    // The program's path is given whole, so no search decides which file runs.
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        problem = program + L" could not be started (error " + Number(GetLastError()) + L")";
        return false;
    }
    CloseHandle(process.hThread);
    const DWORD waited = WaitForSingleObject(process.hProcess, kRunLimitMs);
    bool ended = waited == WAIT_OBJECT_0 && GetExitCodeProcess(process.hProcess, &exitCode);
    if (!ended) {
        TerminateProcess(process.hProcess, kFailed);
        problem = L"\"" + program + L"\" " + arguments + L" did not end within " + Number(kRunLimitMs / 60000) +
                  L" minutes and was stopped";
    }
    CloseHandle(process.hProcess);
    return ended;
}

void LeaveRestartNeeded(MSIHANDLE install) {
    if (!GlobalAddAtomW(kRestartAtom)) {
        Log(install, L"the restart this needs could not be passed on (error " + Number(GetLastError()) + L")");
    }
}

// Takes every reference to the atom away; true when there was one.
bool TakeRestartNeeded() {
    bool found = false;
    // Each GlobalAddAtom counts; a bound keeps a reference that cannot be deleted from spinning.
    for (int i = 0; i < 64; ++i) {
        const ATOM atom = GlobalFindAtomW(kRestartAtom);
        if (!atom) break;
        found = true;
        GlobalDeleteAtom(atom);
    }
    return found;
}

// After a restore that left no backup, the program key goes, as the setup
// program's uninstaller removes it: the values the program keeps for itself
// (its dates, the last choice) are no one's once it is gone. A key that still
// has a subkey holds something we do not know, and stays; so does the maker's
// key while another of its programs has one there.
void DropProgramKey(MSIHANDLE install) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\ORVANE\\Zephrin", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    const LONG backup = RegQueryValueExW(key, L"Restore", nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (backup != ERROR_FILE_NOT_FOUND) return;
    const LONG gone = RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\ORVANE\\Zephrin");
    if (gone != ERROR_SUCCESS) {
        Log(install, L"the program key stays (error " + Number(static_cast<DWORD>(gone)) + L")");
        return;
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\ORVANE");
}

}  // namespace

extern "C" {

// Immediate, before the installation script is written.
__declspec(dllexport) UINT __stdcall ZephrinForgetRestart(MSIHANDLE /*install*/) {
    TakeRestartNeeded();
    return ERROR_SUCCESS;
}

// Immediate, after InstallFinalize: only here may a restart be asked for.
__declspec(dllexport) UINT __stdcall ZephrinScheduleRestart(MSIHANDLE install) {
    if (!TakeRestartNeeded()) return ERROR_SUCCESS;
    const UINT set = MsiSetMode(install, MSIRUNMODE_REBOOTATEND, TRUE);
    if (set != ERROR_SUCCESS) {
        Log(install, L"the restart the network settings need could not be asked for (error " + Number(set) + L")");
    } else {
        Log(install, L"a restart makes the network settings active");
    }
    return ERROR_SUCCESS;
}

// Deferred, as the system account, once the files are in place.
// CustomActionData: "<program folder>|<OPTIMIZE>". A failure fails the installation.
__declspec(dllexport) UINT __stdcall ZephrinOptimize(MSIHANDLE install) {
    const std::wstring data = Property(install, L"CustomActionData");
    const size_t bar = data.find(L'|');
    const std::wstring folder = data.substr(0, bar);
    const std::wstring value = bar == std::wstring::npos ? std::wstring() : data.substr(bar + 1);
    if (!IsProgramFolder(folder)) {
        Fail(install, L"the program folder \"" + folder + L"\" is not a full path");
        return ERROR_INSTALL_FAILURE;
    }
    std::wstring words;
    if (!OptimizeWords(value, words)) {
        Fail(install, L"OPTIMIZE=\"" + value +
                          L"\" is not of the form OPTIMIZE=\"TYPE LEVEL\", two words of letters and digits "
                          L"(for example OPTIMIZE=\"cable max\")");
        return ERROR_INSTALL_FAILURE;
    }
    const std::wstring arguments = L"/optimize " + words;
    DWORD code = 0;
    std::wstring problem;
    if (!RunZephrin(folder, arguments, code, problem)) {
        Fail(install, problem + L"; the installation is undone");
        return ERROR_INSTALL_FAILURE;
    }
    const std::wstring ran = L"Zephrin.exe " + arguments + L" ended with " + Number(code) + L": ";
    switch (code) {
    case kUnchanged:
        Log(install, ran + L"the network settings were already tuned so; nothing changed");
        return ERROR_SUCCESS;
    case kRestartNeeded:
        Log(install, ran + L"the network settings were tuned; a restart makes them active");
        LeaveRestartNeeded(install);
        return ERROR_SUCCESS;
    case kBadArguments:
        Fail(install, ran + L"\"" + words + L"\" is not a connection type and level that Zephrin knows");
        return ERROR_INSTALL_FAILURE;
    case kBusy:
        Fail(install, ran + L"Zephrin is open or busy changing the settings; nothing was tuned");
        return ERROR_INSTALL_FAILURE;
    default:
        Fail(install, ran + L"the network settings could not be tuned");
        return ERROR_INSTALL_FAILURE;
    }
}

// Deferred, as the system account, before the files go on a full removal.
// CustomActionData: "<program folder>". Nothing here stops the removal: a
// backup that could not be put back stays in the program key, which then
// stays too, and Zephrin installed again can restore it.
__declspec(dllexport) UINT __stdcall ZephrinRestore(MSIHANDLE install) {
    const std::wstring folder = Property(install, L"CustomActionData");
    if (!IsProgramFolder(folder)) {
        Warn(install, L"the program folder \"" + folder +
                          L"\" is not a full path, so the original network settings were not put back");
        return ERROR_SUCCESS;
    }
    DWORD code = 0;
    std::wstring problem;
    if (!RunZephrin(folder, L"/restore", code, problem)) {
        Warn(install, problem + L"; any backup of the original network settings stays on this computer");
        return ERROR_SUCCESS;
    }
    const std::wstring ran = L"Zephrin.exe /restore ended with " + Number(code) + L": ";
    switch (code) {
    case kUnchanged:
        Log(install, ran + L"there were no original network settings to put back");
        DropProgramKey(install);
        break;
    case kRestartNeeded:
        Log(install, ran + L"the original network settings were put back; a restart makes them active");
        LeaveRestartNeeded(install);
        DropProgramKey(install);
        break;
    case kBusy:
        Warn(install, ran + L"Zephrin is open, so the original network settings were not put back. They stay "
                            L"saved on this computer; install Zephrin again to restore them.");
        break;
    default:
        Warn(install, ran + L"some of the original network settings could not be put back. Their backup "
                            L"stays on this computer; install Zephrin again and click Restore to try again.");
        break;
    }
    return ERROR_SUCCESS;
}

}  // extern "C"
