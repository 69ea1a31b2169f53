#include "app/run_once.h"

#include <windows.h>

#include "platform/identity.h"
#include "platform/other_copy.h"

namespace zephrin {

bool FindRunningInstance(const std::wstring& windowClass, bool activate) {
    HWND other = FindWindowOfProgram(windowClass.c_str(), kProgramFile);
    if (!other) return false;
    if (activate) {
        ShowWindow(other, SW_RESTORE);
        SetForegroundWindow(other);
    }
    return true;
}

}  // namespace zephrin
