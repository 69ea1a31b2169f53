#include "platform/restart.h"

#include "platform/handles.h"

namespace zephrin {

void SetShutdownPrivilege(bool enable) {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
        token.release();
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    TOKEN_PRIVILEGES previous{};
    DWORD previousSize = sizeof previous;
    AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof previous, &previous, &previousSize);
}

void RestartWindowsWith(const RestartCalls& calls) {
    calls.setPrivilege(true);
    calls.exitWindows(kRestartFlags, 0);
    calls.setPrivilege(false);
}

void RestartWindows() {
    RestartCalls calls;
    calls.exitWindows = [](UINT flags, DWORD reason) { return ExitWindowsEx(flags, reason); };
    calls.setPrivilege = &SetShutdownPrivilege;
    RestartWindowsWith(calls);
}

}  // namespace zephrin
