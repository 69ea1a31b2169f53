#include "app/tuning_flows.h"

#include <vector>

#include "app/captions.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/window_names.h"
#include "features/tuning_engine.h"
#include "platform/desktop_user.h"
#include "platform/identity.h"
#include "platform/other_copy.h"
#include "platform/program_key.h"

namespace zephrin {
namespace {

struct StepText {
    int count;
    CaptionKey text;
};

// The main window waits while the progress window shows, however the run ends.
class BusyScope {
public:
    BusyScope(MainWindow& main, ProgressWindow& progress) : main_(main), progress_(progress) {
        main_.SetEnabled(false);
        progress_.SetPlacement(ui::Placement::OwnerCenter);
        progress_.Show();
    }
    ~BusyScope() {
        main_.SetEnabled(true);
        progress_.Hide();
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    MainWindow& main_;
    ProgressWindow& progress_;
};

// False when the program is ending.
bool RunSteps(ProgressWindow& progress, const CaptionKey& heading, const std::vector<StepText>& steps) {
    int total = 0;
    for (const auto& s : steps) total += s.count;
    progress.Begin(Caption(heading), total);
    for (const auto& s : steps)
        for (int i = 0; i < s.count; ++i)
            if (!progress.RunPacedStep(Caption(s.text))) return false;
    return true;
}

void Warn(MainWindow& main, const std::wstring& text) {
    main.actions().messageBox(main.Handle(), text, main.Title(), MB_OK | MB_ICONWARNING);
}

// The paced steps keep dispatching messages, and a click can still reach a
// button of the disabled main window (posted to it): it must not start a
// second run inside the first.
bool Busy(const MainWindow& main) { return main.Handle() && !IsWindowEnabled(main.Handle()); }

// The first paragraph, the names one to a line, the last paragraph.
std::wstring NamedList(const CaptionKey& first, const std::vector<std::wstring>& values, const CaptionKey& last) {
    std::wstring list;
    for (const auto& v : values) list += (list.empty() ? L"" : L"\r\n") + v;
    return JoinParagraphs({Caption(first), list, Caption(last)});
}

void AskRestart(MainWindow& main) {
    const std::wstring text = JoinParagraphs({Caption(names::ZPMainForm::MessageBoxChangeRestart1),
                                              Caption(names::ZPMainForm::MessageBoxChangeRestart2),
                                              Caption(names::ZPMainForm::MessageBoxChangeRestart3)});
    const int answer =
        main.actions().messageBox(main.Handle(), text, main.Title(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    if (answer == IDYES) main.actions().restartWindows();
}

}  // namespace

void RunOptimize(MainWindow& main, ProgressWindow& progress) {
    if (Busy(main)) return;
    const int row = main.modemCombo()->Selected();
    const int speed = main.speedTrackBar()->Position();
    SaveChoice(row, speed);
    main.actions().playClick();
    OptimizeOutcome outcome;
    {
        BusyScope busy(main, progress);
        namespace s = names::ZPSettingsForm;
        if (!RunSteps(progress, s::MessageUpdate,
                      {{2, s::MessageChange1}, {3, s::MessageChange2}, {2, s::MessageChange3}, {4, s::MessageChange4}}))
            return;
        outcome = Optimize(row, speed, DesktopUser());
    }
    main.restoreButton()->SetEnabled(outcome.backupHeld);
    if (!outcome.backupHeld) {
        Warn(main, JoinParagraphs({Caption(names::ZPMainForm::MessageBoxBackupRefused1),
                                   Caption(names::ZPMainForm::MessageBoxBackupRefused2)}));
        return;
    }
    if (!outcome.refused.empty())
        Warn(main, NamedList(names::ZPMainForm::MessageBoxNotChanged1, outcome.refused, names::ZPMainForm::MessageBoxNotChanged2));
    if (outcome.changed > 0) AskRestart(main);
}

void RunRestore(MainWindow& main, ProgressWindow& progress) {
    if (Busy(main)) return;
    const std::wstring text =
        JoinParagraphs({Caption(names::ZPMainForm::MessageBoxReset1), Caption(names::ZPMainForm::MessageBoxReset2)});
    if (main.actions().messageBox(main.Handle(), text, main.Title(), MB_OKCANCEL | MB_ICONWARNING) != IDOK) return;
    main.actions().playClick();
    RestoreOutcome outcome;
    {
        BusyScope busy(main, progress);
        namespace s = names::ZPSettingsForm;
        if (!RunSteps(progress, s::MessageRestore, {{2, s::MessageChange1}, {3, s::MessageChange2}, {4, s::MessageChange5}}))
            return;
        outcome = Restore(main.modemCombo()->Selected(), DesktopUser());
    }
    main.restoreButton()->SetEnabled(outcome.backupHeld);
    if (outcome.nothingSaved) {
        // Nothing was written, so there is nothing to restart for.
        main.actions().messageBox(main.Handle(),
                                  JoinParagraphs({Caption(names::ZPMainForm::MessageBoxNothingSaved1),
                                                  Caption(names::ZPMainForm::MessageBoxNothingSaved2)}),
                                  main.Title(), MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (!outcome.notPutBack.empty())
        Warn(main, NamedList(names::ZPMainForm::MessageBoxNotRestored1, outcome.notPutBack, names::ZPMainForm::MessageBoxNotRestored2));
    if (!outcome.copyMissing.empty())
        Warn(main, NamedList(names::ZPMainForm::MessageBoxCopyMissing1, outcome.copyMissing, names::ZPMainForm::MessageBoxCopyMissing2));
    AskRestart(main);
}

}  // namespace zephrin
