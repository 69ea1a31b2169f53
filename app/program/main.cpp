#include <windows.h>

#include <commctrl.h>

#include "platform/system_library.h"

#include "app/startup.h"
#include "platform/trace.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    zephrin::RestrictLibrarySearch();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS |
                                             ICC_USEREX_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    try {
        return zephrin::RunProgram(GetCommandLineW());
    } catch (...) {
        zephrin::TraceSwallowed(L"the program's start failed");
        // Start-up that fails ends the program quietly, as a closed window would.
        return 0;
    }
}
