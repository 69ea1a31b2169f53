#pragma once
// The small progress window the tuning flows show while they work.
#include "ui/toolkit.h"

namespace zephrin {

class ProgressWindow : public ui::Form {
public:
    explicit ProgressWindow(ui::Form& owner);

    // Starts a run of `totalSteps` steps under `heading`.
    void Begin(const std::wstring& heading, int totalSteps);
    // One paced step with the given status text. False when the program is ending.
    bool RunPacedStep(const std::wstring& text);
    int stepCount() const { return stepCount_; }

    ui::Label* heading() const { return heading_; }
    ui::Label* status() const { return status_; }
    ui::ProgressBar* progressBar() const { return progress_; }

private:
    void FormShow();

    ui::Label* heading_ = nullptr;
    ui::Label* status_ = nullptr;
    ui::ProgressBar* progress_ = nullptr;
    int totalSteps_ = 0;
    int stepCount_ = 0;
};

}  // namespace zephrin
