#include "app/startup.h"

#include <windows.h>

#include "app/about_window.h"
#include "app/actions.h"
#include "app/changes_window.h"
#include "app/report.h"
#include "app/main_window.h"
#include "app/program_windows.h"
#include "app/progress_window.h"
#include "app/run_once.h"
#include "app/tuning_flows.h"
#include "app/update_flows.h"
#include "app/window_names.h"
#include "platform/handles.h"
#include "platform/program_key.h"
#include "platform/text.h"
#include "platform/timestamps.h"
#include "ui/accessible.h"
#include "ui/application.h"
#include "ui/hints.h"
#include "ui/native_hints.h"
#include "ui/window.h"

namespace zephrin {

// Split as CommandLineToArgvW splits, so that the shell is not loaded at
// every start only to read a word or two.
std::vector<std::wstring> CommandArguments(const wchar_t* commandLine) {
    std::vector<std::wstring> arguments;
    if (!commandLine) return arguments;
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
    for (;;) {
        while (blank(*p)) ++p;
        if (!*p) return arguments;
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
        arguments.push_back(argument);
    }
}

StartRequest ReadStartRequest(const wchar_t* commandLine) {
    const auto arguments = CommandArguments(commandLine);
    StartRequest request;
    if (arguments.empty()) return request;
    for (const StartSwitch& s : kStartSwitches) {
        if (AsciiLower(arguments[0]) != s.name) continue;
        request.mode = s.mode;
        request.arguments.assign(static_cast<size_t>(s.arguments), std::wstring());
        for (size_t i = 1; i < arguments.size() && i <= request.arguments.size(); ++i) request.arguments[i - 1] = arguments[i];
    }
    return request;
}

namespace {

// The real effects, and the update check that only this program makes.
Actions ProgramActions(HWND launchOwner) {
    Actions actions = Actions::Real(launchOwner);
    actions.checkForUpdate = &CheckForUpdate;
    return actions;
}

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

    const StartRequest request = ReadStartRequest(commandLine);
    // The commands stand apart from the program's start: no stamps, no windows.
    switch (request.mode) {
    case StartMode::Restore: return RunRestoreCommand();
    case StartMode::Report: return RunReportCommand(request.file());  // reads only
    case StartMode::Optimize: return RunOptimizeCommand(request.arguments[0], request.arguments[1]);
    case StartMode::Check: return RunCheckCommand(request.arguments[0], request.arguments[1]);
    case StartMode::Window:
    case StartMode::CheckUpdate: break;
    }

    app.InstallHandCursor();
    InstallNativeHints(ui::ApplicationHints());
    ui::InstallScreenReaders();

    StampProgramKey(&CurrentTimestampString);

    const bool modeRun = request.mode == StartMode::CheckUpdate;
    if (modeRun) RunUpdateCheckMode(ProgramActions(nullptr));

    const bool otherCopy = FindRunningInstance(kMainFormClass, true);
    if (!otherCopy && !modeRun) {
        UniqueWindow appWindow(CreateApplicationWindow(app.instance()));
        Actions actions = ProgramActions(appWindow.get());
        const OpenWindowMark mark;

        ProgramWindows windows(actions);
        windows.main->Show();
        app.Run();
    }
    ui::ApplicationHints().Shutdown();
    return 0;
}

}  // namespace zephrin
