#include <windows.h>

#include <cmath>
#include <stdexcept>

#include "settings/program_key.h"
#include "shell/shell.h"
#include "tuning/operations.h"
#include "ui/captions.h"
#include "update/update_check.h"

namespace zephrin {

int FindUpdateMarker(const std::wstring& replyText) {
    try {
        const std::wstring text = ui::TrimControlChars(replyText);
        if (text.find(L"ORVANE|0") != std::wstring::npos) return 0;
        if (text.find(L"ORVANE|1") != std::wstring::npos) return 1;
        if (text.find(L"ORVANE|2") != std::wstring::npos) return 2;
    } catch (...) {
    }
    return -1;
}

long long WholeDaysBetween(DateTime a, DateTime b) {
    return static_cast<long long>(std::trunc(std::fabs(a - b)));
}

std::optional<bool> UpdateCheckDue(const std::wstring& storedUpdatedDate, DateTime now) {
    const auto stored = ParseLocalDateText(TimestampToDateText(storedUpdatedDate));
    if (!stored) return std::nullopt;
    return WholeDaysBetween(now, *stored) > 45;
}

void RunUpdateCheckMode(const Actions& actions, int (*check)()) {
    try {
        if (check() != 1) return;
        for (const wchar_t* cls : {L"TZPAboutForm", L"TZPSettingsForm", L"TZPMainForm"}) {
            if (HWND w = FindWindowW(cls, nullptr)) SendMessageW(w, WM_CLOSE, 0, 0);
        }
        const std::wstring title = ui::GetCaption(L"ZPMainForm", L"ZPMainForm");
        const std::wstring text = JoinParagraphs({ui::GetCaption(L"ZPUpdateForm", L"MessageBoxUpdate1"),
                                                  ui::GetCaption(L"ZPUpdateForm", L"MessageBoxUpdate2")});
        if (actions.messageBox(nullptr, text, title, MB_YESNO | MB_ICONINFORMATION) == IDYES)
            actions.openNoOwner(ProgramFolder() + kUpdaterFile, L"");
    } catch (...) {
    }
}

void CheckUpdateSchedule(const Actions& actions) {
    const std::wstring stored = ReadProgramString(value::kUpdatedDate, CurrentTimestampString());
    const auto due = UpdateCheckDue(stored, CurrentLocalDateTime());
    if (!due) throw std::runtime_error("unusable update date");
    if (*due) actions.openNoOwner(ProgramFolder() + kProgramFile, kCheckUpdateArgument);
}

}  // namespace zephrin
