#include "app/startup.h"

#include <windows.h>

#include "app/about_window.h"
#include "app/actions.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/run_once.h"
#include "app/tuning_flows.h"
#include "app/update_flows.h"
#include "app/window_names.h"
#include "platform/handles.h"
#include "platform/program_key.h"
#include "platform/text.h"
#include "platform/timestamps.h"
#include "ui/application.h"
#include "ui/native_hints.h"
#include "ui/window.h"

namespace zephrin {

bool IsCheckUpdateArgument(const std::wstring& firstArgument) {
    return AsciiLower(firstArgument) == kCheckUpdateArgument;
}

// Split as CommandLineToArgvW splits, so that the shell is not loaded at
// every start only to read one word.
std::wstring FirstArgument(const wchar_t* commandLine) {
    if (!commandLine) return {};
    const wchar_t* p = commandLine;
    auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    // The program name: quoted without escapes, or up to the first blank.
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        while (*p && !blank(*p)) ++p;
    }
    while (blank(*p)) ++p;
    std::wstring argument;
    bool quoted = false;
    while (*p && (quoted || !blank(*p))) {
        size_t backslashes = 0;
        while (*p == L'\\') {
            ++backslashes;
            ++p;
        }
        if (*p != L'"') {
            argument.append(backslashes, L'\\');
            if (*p && (quoted || !blank(*p))) argument += *p++;
            continue;
        }
        // Before a quote, backslashes come in pairs; an odd one makes the quote literal.
        argument.append(backslashes / 2, L'\\');
        if (backslashes % 2) {
            argument += L'"';
        } else if (quoted && p[1] == L'"') {
            argument += L'"';  // "" inside quotes is one quote, and ends the quoting
            quoted = false;
            ++p;
        } else {
            quoted = !quoted;
        }
        ++p;
    }
    return argument;
}

namespace {

// The hidden window that stands for the program as the owner of launches.
HWND CreateApplicationWindow(HINSTANCE instance) {
    static const wchar_t kClass[] = L"ZephrinApplication";
    ui::RegisterWindowClass(instance, kClass);
    ui::WindowArgs w;
    w.className = kClass;
    w.title = L"Zephrin";
    w.style = WS_POPUP;
    w.exStyle = WS_EX_TOOLWINDOW;
    return ui::CreateWindowFor(instance, w);
}

}  // namespace

int RunProgram(const wchar_t* commandLine) {
    ui::Application& app = ui::Application::Instance();
    app.SetInstance(GetModuleHandleW(nullptr));

    const std::wstring first = FirstArgument(commandLine);
    if (AsciiLower(first) == kRestoreArgument) return RunRestoreCommand();

    app.InstallHandCursor();
    InstallNativeHints(app.hints());

    StampProgramKey(&CurrentTimestampString);

    const bool modeRun = IsCheckUpdateArgument(first);
    if (modeRun) RunUpdateCheckMode(Actions::Real(nullptr));

    const bool otherCopy = FindRunningInstance(kMainFormClass, true);
    if (!otherCopy && !modeRun) {
        UniqueWindow appWindow(CreateApplicationWindow(app.instance()));
        Actions actions = Actions::Real(appWindow.get());

        MainWindow main(actions);
        main.Create();
        main.FormCreate();
        AboutWindow about(main, actions);
        about.Create();
        ProgressWindow progress(main);
        progress.Create();
        main.SetSiblings(&about, &progress);
        app.onShortCut = [&main](const MSG& msg) { main.KeyShortCut(static_cast<UINT>(msg.wParam)); };
        main.Show();
        app.Run();
        app.onShortCut = nullptr;
    }
    app.hints().Shutdown();
    return 0;
}

}  // namespace zephrin
