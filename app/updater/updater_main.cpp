// ZephrinUpdate.exe: finds, verifies and installs a newer Zephrin. Started
// by Zephrin with no arguments, from its program folder.
#include <windows.h>

#include <commctrl.h>

#include "platform/folders.h"
#include "platform/system_library.h"

#include "app/updater_window.h"
#include "app/window_names.h"
#include "platform/identity.h"
#include "platform/other_copy.h"
#include "ui/accessible.h"
#include "ui/application.h"
#include "platform/trace.h"

#ifndef ZEPHRIN_UPDATE_HOST
#define ZEPHRIN_UPDATE_HOST "update.zephrin.example"
#endif
#ifndef ZEPHRIN_RELEASE_PORT
#define ZEPHRIN_RELEASE_PORT 80
#endif
#ifndef ZEPHRIN_RELEASE_DEADLINE_MS
#define ZEPHRIN_RELEASE_DEADLINE_MS 30000
#endif

#ifndef ZEPHRIN_BUILT_AT
#define ZEPHRIN_BUILT_AT "1970-01-01T00:00:00Z"
#endif

namespace zephrin {
// The maker's public keys, compiled in from the build's key files.
extern const char* const kReleasePublicKeys[];
extern const std::size_t kReleasePublicKeyCount;
}  // namespace zephrin

namespace {

int RunUpdater() {
    using namespace zephrin;
    // One updater at a time: a second start brings the first forward.
    if (HWND running = FindWindowOfProgram(kUpdateFormClass, kUpdaterFile)) {
        if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
        SetForegroundWindow(running);
        return 0;
    }
    ui::Application& app = ui::Application::Instance();
    app.SetInstance(GetModuleHandleW(nullptr));
    app.InstallHandCursor();
    ui::InstallScreenReaders();

    UpdaterConfig config;
    config.source.host = ZEPHRIN_UPDATE_HOST;
    config.source.port = ZEPHRIN_RELEASE_PORT;
    config.source.publicKeys.assign(kReleasePublicKeys, kReleasePublicKeys + kReleasePublicKeyCount);
    config.source.deadline = std::chrono::milliseconds(ZEPHRIN_RELEASE_DEADLINE_MS);
    config.commonData = CommonDataFolder();
    // The day it was built: a clock before it is wrong and cannot tell that a manifest expired.
    config.builtAt = ParseUtcTime(ZEPHRIN_BUILT_AT).value_or(0);
    Actions actions = Actions::Real(nullptr);
    UpdaterWindow window(std::move(config), actions);
    if (!window.Start()) return 1;
    app.Run();
    switch (window.end()) {
    case UpdaterEnd::Installed:
    case UpdaterEnd::UpToDate: return 0;
    case UpdaterEnd::Cancelled: return 2;
    default: return 1;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    zephrin::RestrictLibrarySearch();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    try {
        return RunUpdater();
    } catch (...) {
        zephrin::TraceSwallowed(L"the updater failed");
        // Nothing was installed; the temporary file went with the window.
        return 1;
    }
}
