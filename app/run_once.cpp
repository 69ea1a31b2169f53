#include "app/run_once.h"

#include <windows.h>

namespace zephrin {

bool FindRunningInstance(const std::wstring& windowClass, bool activate) {
    HWND other = FindWindowW(windowClass.c_str(), nullptr);
    if (!other) return false;
    if (activate) {
        ShowWindow(other, SW_RESTORE);
        SetForegroundWindow(other);
    }
    return true;
}

}  // namespace zephrin
