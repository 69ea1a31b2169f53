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

}  // namespace

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
    if (sid.empty()) return {HKEY_CURRENT_USER, path};
    const bool rooted = !path.empty() && path[0] == L'\\';
    return {HKEY_USERS, L"\\" + sid + (rooted ? L"" : L"\\") + path};
}

}  // namespace zephrin
