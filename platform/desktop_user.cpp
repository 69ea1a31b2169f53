#include "platform/desktop_user.h"

#include <sddl.h>

#include <vector>

#include "platform/handles.h"

namespace zephrin {
namespace {

std::wstring SidOfProcess(HANDLE process) {
    UniqueHandle token;
    if (!OpenProcessToken(process, TOKEN_QUERY, token.put())) return {};
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
    std::wstring sid(text);
    LocalFree(text);
    return sid;
}

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

KeyPlace UserKeyPlace(const std::wstring& sid, const std::wstring& path) {
    if (sid.empty()) return {HKEY_CURRENT_USER, path, true};
    const bool rooted = !path.empty() && path[0] == L'\\';
    return {HKEY_USERS, L"\\" + sid + (rooted ? L"" : L"\\") + path, true};
}

}  // namespace zephrin
