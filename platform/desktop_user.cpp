#include "platform/desktop_user.h"

#include <sddl.h>

#include <vector>

#include <tlhelp32.h>

#include "platform/handles.h"
#include "platform/privileges.h"
#include "platform/system_library.h"
#include "platform/text.h"

namespace zephrin {
namespace {

std::wstring SidOfToken(HANDLE token) {
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return {};
    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
    std::wstring sid(text);
    LocalFree(text);
    return sid;
}

std::wstring SidOfProcess(HANDLE process) {
    UniqueHandle token;
    if (!OpenProcessToken(process, TOKEN_QUERY, token.put())) return {};
    return SidOfToken(token.get());
}

constexpr DWORD kNoSession = 0xFFFFFFFF;

// The session attached to the physical console (XP on); Windows 2000 has only session 0 there.
DWORD ConsoleSession() {
    using SessionFn = DWORD WINAPI();
    auto* console = SystemFunction<SessionFn>(L"kernel32.dll", "WTSGetActiveConsoleSessionId");
    return console ? console() : 0;
}

// Whoever logged on to a session: asked of the session itself where we may
// (as SYSTEM), else read off the shell that runs there.
std::wstring UserOfSession(DWORD session) {
    using QueryTokenFn = BOOL WINAPI(ULONG, PHANDLE);
    if (auto* query = SystemFunction<QueryTokenFn>(L"wtsapi32.dll", "WTSQueryUserToken")) {
        UniqueHandle token;
        if (query(session, token.put())) return SidOfToken(token.get());
        token.release();
    }
    using ProcessSessionFn = BOOL WINAPI(DWORD, DWORD*);
    auto* sessionOf = SystemFunction<ProcessSessionFn>(L"kernel32.dll", "ProcessIdToSessionId");
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) {
        snapshot.release();
        return {};
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (!EqualsIgnoringAsciiCase(std::wstring(entry.szExeFile), std::wstring(L"explorer.exe"))) continue;
        DWORD itsSession = 0;
        if (sessionOf && (!sessionOf(entry.th32ProcessID, &itsSession) || itsSession != session)) continue;
        UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, entry.th32ProcessID));
        if (!process) continue;
        const std::wstring sid = SidOfProcess(process.get());
        if (!sid.empty()) return sid;
    }
    return {};
}

const wchar_t kProfileList[] = L"\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";

std::wstring SidText(PSID sid) {
    LPWSTR text = nullptr;
    if (!sid || !ConvertSidToStringSidW(sid, &text)) return {};
    std::wstring out(text);
    LocalFree(text);
    return out;
}

// The logon session's own SID among a token's groups.
std::wstring LogonSidOf(HANDLE token) {
    DWORD size = 0;
    GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token, TokenGroups, buffer.data(), size, &size)) return {};
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    for (DWORD i = 0; i < groups->GroupCount; ++i)
        if ((groups->Groups[i].Attributes & SE_GROUP_LOGON_ID) == SE_GROUP_LOGON_ID) return SidText(groups->Groups[i].Sid);
    return {};
}

// The logon SID of whoever logged on to the window station we show on.
std::wstring WindowStationLogonSid() {
    using StationFn = HWINSTA WINAPI();
    using InformationFn = BOOL WINAPI(HANDLE, int, PVOID, DWORD, LPDWORD);
    HMODULE user = GetModuleHandleW(L"user32.dll");
    if (!user) return {};
    auto* station = reinterpret_cast<StationFn*>(reinterpret_cast<void*>(GetProcAddress(user, "GetProcessWindowStation")));
    auto* information =
        reinterpret_cast<InformationFn*>(reinterpret_cast<void*>(GetProcAddress(user, "GetUserObjectInformationW")));
    HWINSTA ours = station ? station() : nullptr;  // not ours to close
    if (!ours || !information) return {};
    constexpr int kUserSid = 4;  // UOI_USER_SID
    DWORD size = 0;
    information(ours, kUserSid, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<BYTE> sid(size);
    if (!information(ours, kUserSid, sid.data(), size, &size)) return {};
    return SidText(sid.data());
}

}  // namespace

std::wstring OwnSid() { return SidOfProcess(GetCurrentProcess()); }

PerUser PerUserOf(const std::wstring& sid) {
    if (sid.empty()) return PerUser::Nobody();
    const std::wstring own = OwnSid();
    if (!own.empty() && lstrcmpiW(own.c_str(), sid.c_str()) == 0) return PerUser();
    return PerUser(sid);
}

std::wstring PerUser::Sid() const {
    switch (whose) {
    case Whose::Ours: return OwnSid();
    case Whose::Other: return sid;
    case Whose::Nobody: break;
    }
    return {};
}

PerUser DesktopUser() { return PerUser(OtherDesktopUserSid()); }

PerUser ConsoleUser() {
    if (GetShellWindow()) return DesktopUser();
    const DWORD session = ConsoleSession();
    if (session == kNoSession) return PerUser::Nobody();
    return PerUserOf(UserOfSession(session));
}

bool HasDesktopUsersOwnRights() {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    // The administrator half of a split token (Vista on, with UAC) has more than the desktop user.
    constexpr auto kTokenElevationType = static_cast<TOKEN_INFORMATION_CLASS>(18);
    constexpr DWORD kElevationTypeFull = 2;
    DWORD elevation = 0, size = 0;
    if (GetTokenInformation(token.get(), kTokenElevationType, &elevation, sizeof elevation, &size) &&
        elevation == kElevationTypeFull)
        return false;
    // Started by the user who logged on, not under another account's password.
    const std::wstring ours = LogonSidOf(token.get());
    return !ours.empty() && ours == WindowStationLogonSid();
}

std::wstring OtherDesktopUserSid() {
    // The shell that draws the desktop runs as the user who logged on.
    HWND shell = GetShellWindow();
    DWORD pid = 0;
    if (!shell || !GetWindowThreadProcessId(shell, &pid) || pid == 0) return {};
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid));
    if (!process) return {};
    const std::wstring desktop = SidOfProcess(process.get());
    const std::wstring own = SidOfProcess(GetCurrentProcess());
    if (desktop.empty() || own.empty() || lstrcmpiW(desktop.c_str(), own.c_str()) == 0) return {};
    return desktop;
}

KeyPlace UserKeyPlace(const PerUser& user, const std::wstring& path) {
    switch (user.whose) {
    case PerUser::Whose::Ours: return {HKEY_CURRENT_USER, path, true};
    case PerUser::Whose::Other: {
        const bool rooted = !path.empty() && path[0] == L'\\';
        return {HKEY_USERS, L"\\" + user.sid + (rooted ? L"" : L"\\") + path, true};
    }
    case PerUser::Whose::Nobody: break;
    }
    return {nullptr, path, true};
}

HeldUserHive::HeldUserHive(const PerUser& user) {
    if (user.whose != PerUser::Whose::Other) {
        present_ = user.whose == PerUser::Whose::Ours;
        return;
    }
    UniqueKey hive;
    if (RegOpenKeyExW(HKEY_USERS, user.sid.c_str(), 0, KEY_READ, hive.put()) == ERROR_SUCCESS) {
        present_ = true;
        return;
    }
    hive.release();
    // Not logged on: the hive file of the user's profile, as the system records where it lies.
    const std::wstring profile = ReadRegistryString(HKEY_LOCAL_MACHINE, kProfileList + user.sid, L"ProfileImagePath", L"", false);
    if (profile.empty()) return;
    wchar_t expanded[MAX_PATH] = {};
    const DWORD length = ExpandEnvironmentStringsW(profile.c_str(), expanded, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return;
    std::wstring file(expanded);
    if (!file.empty() && file.back() != L'\\') file += L'\\';
    file += L"NTUSER.DAT";
    EnabledPrivileges privileges({SE_BACKUP_NAME, SE_RESTORE_NAME});
    if (RegLoadKeyW(HKEY_USERS, user.sid.c_str(), file.c_str()) != ERROR_SUCCESS) return;
    loaded_ = user.sid;
    present_ = true;
}

HeldUserHive::~HeldUserHive() {
    if (loaded_.empty()) return;
    EnabledPrivileges privileges({SE_BACKUP_NAME, SE_RESTORE_NAME});
    RegUnLoadKeyW(HKEY_USERS, loaded_.c_str());
}

}  // namespace zephrin
