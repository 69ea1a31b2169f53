#pragma once
// The program's windows, made in process with recorded actions.
#include <memory>

#include "app/about_window.h"
#include "app/changes_window.h"
#include "app/main_window.h"
#include "recording_actions.h"
#include "app/progress_window.h"
#include "ui/application.h"

namespace zephrin::test {

struct ProgramWindows {
    ~ProgramWindows() { ui::Application::Instance().onShortCut = nullptr; }

    Recorder recorder;
    Actions actions;
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<AboutWindow> about;
    std::unique_ptr<ProgressWindow> progress;
    std::unique_ptr<ChangesWindow> changes;

    // Creates the windows in start-up order, the main window's creation sequence included.
    void Open() {
        changes.reset();
        progress.reset();
        about.reset();
        actions = recorder.Make();
        main = std::make_unique<MainWindow>(actions);
        main->Create();
        main->FormCreate();
        about = std::make_unique<AboutWindow>(*main, actions);
        about->Create();
        progress = std::make_unique<ProgressWindow>(*main);
        progress->Create();
        changes = std::make_unique<ChangesWindow>(*main, actions);
        main->SetSiblings(about.get(), progress.get(), changes.get());
        ui::Application::Instance().onShortCut = [this](const MSG& m) { main->KeyShortCut(static_cast<UINT>(m.wParam)); };
    }
};

}  // namespace zephrin::test
