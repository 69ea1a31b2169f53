#include <windows.h>

#include <commctrl.h>

#include "app/startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS |
                                             ICC_USEREX_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    zephrin::RunProgram(GetCommandLineW());
    return 0;
}
