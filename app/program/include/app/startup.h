#pragma once
// The program's start-up sequence, from unit set-up to the end of the message loop.
#include <string>
#include <vector>

#include "app/report.h"
#include "app/tuning_flows.h"
#include "app/update_flows.h"

namespace zephrin {

// The arguments after the program's name, split as the system splits them.
std::vector<std::wstring> CommandArguments(const wchar_t* commandLine);

// What the program was started for: the switch is the whole first argument,
// in any ASCII case (no locale's folding); one that takes a file takes the
// argument after it.
enum class StartMode { Window, CheckUpdate, Restore, Report };
struct StartSwitch {
    const wchar_t* name;  // in lower case
    StartMode mode;
    bool takesFile;
};
inline constexpr StartSwitch kStartSwitches[] = {
    {kCheckUpdateArgument, StartMode::CheckUpdate, false},
    {kRestoreArgument, StartMode::Restore, false},
    {kReportArgument, StartMode::Report, true},
};
struct StartRequest {
    StartMode mode = StartMode::Window;
    std::wstring file;
};
StartRequest ReadStartRequest(const wchar_t* commandLine);

int RunProgram(const wchar_t* commandLine);

}  // namespace zephrin
