#pragma once
// The small progress window the tuning operations show while they work.
#include "ui/toolkit.h"

namespace zephrin {

class SettingsWindow : public ui::Form {
public:
    explicit SettingsWindow(ui::Form& owner);

    void FormShow();
    // One paced step with the given status text. False when the program is ending.
    bool RunPacedStep(const std::wstring& text);

    int TotalSteps = 0;
    int StepCount = 0;
    ui::Label* currentSettingsHeading() const { return heading_; }
    ui::Label* currentSettingsLabel() const { return status_; }
    ui::ProgressBar* mainProgress() const { return progress_; }

private:
    ui::Label* heading_ = nullptr;
    ui::Label* status_ = nullptr;
    ui::ProgressBar* progress_ = nullptr;
};

}  // namespace zephrin
