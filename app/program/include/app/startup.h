#pragma once
// The program's start-up sequence, from unit set-up to the end of the message loop.
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/report.h"
#include "app/tuning_flows.h"
#include "app/update_flows.h"

namespace zephrin {

// The arguments after the program's name, split as the system splits them.
std::vector<std::wstring> CommandArguments(const wchar_t* commandLine);

// What the program was started for: the switch is the whole first argument,
// in any ASCII case (no locale's folding); the arguments it takes are the
// ones after it, empty where they are missing.
enum class StartMode { Window, CheckUpdate, Restore, Report, Optimize, Check };
struct StartSwitch {
    const wchar_t* name;  // in lower case
    StartMode mode;
    int arguments;
};
inline constexpr StartSwitch kStartSwitches[] = {
    {kCheckUpdateArgument, StartMode::CheckUpdate, 0},
    {kRestoreArgument, StartMode::Restore, 0},
    {kReportArgument, StartMode::Report, 1},
    {kOptimizeArgument, StartMode::Optimize, 2},
    {kCheckArgument, StartMode::Check, 2},
};
struct StartRequest {
    StartMode mode = StartMode::Window;
    std::vector<std::wstring> arguments;  // as many as the switch takes
    const std::wstring& file() const { return arguments.at(0); }
};
StartRequest ReadStartRequest(const wchar_t* commandLine);

int RunProgram(const wchar_t* commandLine);

}  // namespace zephrin
