// ZephrinUpdate.exe: finds, verifies and installs a newer Zephrin. Started
// by Zephrin with no arguments, from its program folder.
#include <windows.h>

#include <commctrl.h>

#include "platform/shell.h"

#include "app/updater_window.h"
#include "app/window_names.h"
#include "platform/identity.h"
#include "platform/other_copy.h"
#include "ui/application.h"

#ifndef ZEPHRIN_UPDATE_HOST
#define ZEPHRIN_UPDATE_HOST "update.zephrin.example"
#endif
#ifndef ZEPHRIN_RELEASE_PORT
#define ZEPHRIN_RELEASE_PORT 80
#endif
#ifndef ZEPHRIN_RELEASE_DEADLINE_MS
#define ZEPHRIN_RELEASE_DEADLINE_MS 30000
#endif

namespace zephrin {
// The maker's public key, compiled in from the build's key file.
extern const char kReleasePublicKeyPem[];
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

    UpdaterConfig config;
    config.source.host = ZEPHRIN_UPDATE_HOST;
    config.source.port = ZEPHRIN_RELEASE_PORT;
    config.source.publicKeyPem = kReleasePublicKeyPem;
    config.source.deadline = std::chrono::milliseconds(ZEPHRIN_RELEASE_DEADLINE_MS);
    config.commonData = CommonDataFolder();
    UpdaterWindow window(std::move(config));
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
        // Nothing was installed; the temporary file went with the window.
        return 1;
    }
}
