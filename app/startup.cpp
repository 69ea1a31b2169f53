#include "app/startup.h"

#include <windows.h>

#include <shellapi.h>

#include "app/about_window.h"
#include "app/actions.h"
#include "app/main_window.h"
#include "app/run_once.h"
#include "settings/program_key.h"
#include "settings/timestamps.h"
#include "shell/shell.h"
#include "tuning/settings_window.h"
#include "ui/application.h"
#include "ui/captions.h"
#include "ui/native_hint_window.h"
#include "update/update_check.h"

namespace zephrin {

bool IsCheckUpdateArgument(const std::wstring& firstArgument) {
    return ui::AsciiLower(firstArgument) == kCheckUpdateArgument;
}

std::wstring FirstArgument(const wchar_t* commandLine) {
    if (!commandLine) return {};
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(commandLine, &count);
    if (!argv) return {};
    std::wstring first = count > 1 ? argv[1] : L"";
    LocalFree(argv);
    return first;
}

namespace {

// The hidden window that stands for the program as the owner of launches.
HWND CreateApplicationWindow(HINSTANCE instance) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = L"ZephrinApplication";
    RegisterClassW(&wc);
    return CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"Zephrin", WS_POPUP, 0, 0, 0, 0,
                           nullptr, nullptr, instance, nullptr);
}

}  // namespace

int RunProgram(const wchar_t* commandLine) {
    ui::Application& app = ui::Application::Instance();
    app.SetInstance(GetModuleHandleW(nullptr));

    InstallHandCursor();
    InstallNativeHints();

    StampProgramKey(&CurrentTimestampString);

    Actions actions = Actions::Real();
    const bool modeRun = IsCheckUpdateArgument(FirstArgument(commandLine));
    if (modeRun) RunUpdateCheckMode(actions);

    const bool otherCopy = FindRunningInstance(L"TZPMainForm", true);
    if (!otherCopy && !modeRun) {
        UniqueWindow appWindow(CreateApplicationWindow(app.instance()));
        SetApplicationWindow(appWindow.get());

        MainWindow main(actions);
        main.Create();
        main.FormCreate();
        AboutWindow about(main, actions);
        about.Create();
        SettingsWindow settings(main);
        settings.Create();
        main.SetSiblings(&about, &settings);
        app.onShortCut = [&main](const MSG& msg) {
            bool handled = false;
            main.ApplicationEventsShortCut(static_cast<UINT>(msg.wParam), handled);
        };
        main.Show();
        app.Run();
        app.onShortCut = nullptr;
        SetApplicationWindow(nullptr);
    }
    ReleaseNativeHints();
    return 0;
}

}  // namespace zephrin
