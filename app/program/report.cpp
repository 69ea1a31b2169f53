#include "app/report.h"

#include "app/commands.h"

#include "features/changes_table.h"
#include "platform/desktop_user.h"
#include "platform/files.h"
#include "platform/identity.h"
#include "platform/program_key.h"

namespace zephrin {

int RunReportCommand(const std::wstring& file) {
    if (file.empty()) return kReportNotWritten;
    // The choice saved by the last Optimize; a value no list row has counts as the first row.
    int row = ReadProgramInteger(value::kInternetType, 0);
    if (!ConnectionTypeOfRow(row)) row = 0;
    const int speed = ReadProgramInteger(value::kSpeedSetting, 0) > 0 ? 1 : 0;
    const ChangesTable table = ReadChangesTable(row, speed, CommandUser(), GetRealWindowsVersion());
    return WriteWholeFile(file, ChangesJson(table, kProductVersion)) ? kReportWritten : kReportNotWritten;
}

}  // namespace zephrin
