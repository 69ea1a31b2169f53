#include "app/progress_window.h"

#include "app/caption_keys.h"
#include "app/captions.h"
#include "app/paced_step.h"
#include "app/window_names.h"
#include "ui/system_font.h"
#include "ui/application.h"

namespace zephrin {

using namespace ui;

namespace s = names::ZPSettingsForm;

ProgressWindow::ProgressWindow(Form& owner)
    : Form([&owner] {
          FormArgs args;
          args.name = kProgressFormName;
          args.className = kProgressFormClass;
          args.clientWidth = 479;
          args.clientHeight = 146;
          args.border = BorderKind::ToolCaption;
          args.placement = Placement::OwnerCenter;
          args.doubleBuffered = true;
          args.owner = &owner;
          return args;
      }()) {
    Panel* panel = Add<Panel>(nullptr, s::SettingsPanel.key);
    panel->bounds = {0, 0, 479, 146};
    panel->color = kWindowColor;
    panel->cursor = CursorId::HourGlass;
    heading_ = Add<Label>(panel, s::CurrentSettingsHeading.key);
    heading_->bounds = {42, 30, 0, 0};
    heading_->parentFont = false;
    heading_->font = Tahoma(8, kBold, kWindowText);
    heading_->centerVertically = true;
    progress_ = Add<ProgressBar>(panel, s::MainProgress.key);
    progress_->bounds = {42, 59, 401, 17};
    progress_->cursor = CursorId::HourGlass;
    status_ = Add<Label>(panel, s::CurrentSettingsLabel.key);
    status_->bounds = {42, 94, 0, 0};
    status_->centerVertically = true;
    onShow = [this] { FormShow(); };
    fontsAtCreate = false;  // prepared each time it is shown
    PrepareFonts(*this);
}

void ProgressWindow::FormShow() {
    PrepareWindow(*this);
    progress_->SetPosition(0);
}

void ProgressWindow::Begin(const std::wstring& heading, int totalSteps) {
    totalSteps_ = totalSteps;
    stepCount_ = 0;
    heading_->SetCaption(heading);
}

bool ProgressWindow::RunPacedStep(const std::wstring& text) {
    PacedStepIO io;
    io.seed = [] {
        LARGE_INTEGER counter;
        if (QueryPerformanceCounter(&counter)) return static_cast<uint32_t>(counter.LowPart);
        return static_cast<uint32_t>(GetTickCount());
    };
    io.pump = [] { return Application::Instance().ProcessPending(); };
    io.setStatus = [this](const std::wstring& s) { status_->SetCaption(s); };
    io.sleep = [](uint32_t ms) { Sleep(ms); };
    io.setProgress = [this](int p) { progress_->SetPosition(p); };
    return RunPacedStepWith(ActivePacing(), io, text, stepCount_, totalSteps_);
}

}  // namespace zephrin
