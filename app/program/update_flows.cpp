#include "app/update_flows.h"

#include <windows.h>

#include "app/captions.h"
#include "app/close_program.h"
#include "app/window_names.h"
#include "platform/identity.h"
#include "platform/other_copy.h"
#include "platform/program_key.h"
#include "platform/folders.h"

namespace zephrin {

void RunUpdateCheckMode(const Actions& actions) {
    if (!actions.checkForUpdate || actions.checkForUpdate() != 1) return;
    CloseRunningProgram();
    const std::wstring title = Caption(names::ZPMainForm::ZPMainForm);
    const std::wstring text = JoinParagraphs(
        {Caption(names::ZPUpdateForm::MessageBoxUpdate1), Caption(names::ZPUpdateForm::MessageBoxUpdate2)});
    if (actions.messageBox(nullptr, text, title, MB_YESNO | MB_ICONINFORMATION) == IDYES)
        actions.startProgram(ProgramFolder() + kUpdaterFile, L"");
}

bool CheckUpdateSchedule(const Actions& actions) {
    const std::wstring stored = ReadProgramString(value::kUpdatedDate, CurrentTimestampString());
    const auto due = UpdateCheckDue(stored, CurrentLocalDateTime());
    if (!due) return false;
    if (*due) actions.startProgram(ProgramFolder() + kProgramFile, kCheckUpdateArgument);
    return true;
}

}  // namespace zephrin
