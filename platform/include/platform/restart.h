#pragma once
// Restarting Windows once the user agreed to it.
#include <windows.h>

namespace zephrin {

// Asks running programs to close; only hung ones are ended, so no one loses unsaved work.
constexpr UINT kRestartFlags = EWX_REBOOT | EWX_FORCEIFHUNG;

void SetShutdownPrivilege(bool enable);
void RestartWindows();

// The same sequence with the system calls passed in, so tests can watch it.
struct RestartCalls {
    BOOL (*exitWindows)(UINT flags, DWORD reason) = nullptr;
    void (*setPrivilege)(bool enable) = nullptr;
};
void RestartWindowsWith(const RestartCalls& calls);

}  // namespace zephrin
