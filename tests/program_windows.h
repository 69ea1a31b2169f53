#pragma once
// The program's three windows, made in process with recorded actions.
#include <memory>

#include "app/about_window.h"
#include "app/main_window.h"
#include "recording_actions.h"
#include "tuning/settings_window.h"

namespace zephrin::test {

struct ProgramWindows {
    Recorder recorder;
    Actions actions;
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<AboutWindow> about;
    std::unique_ptr<SettingsWindow> settings;

    // Creates the windows in start-up order, the main window's creation sequence included.
    void Open() {
        settings.reset();
        about.reset();
        actions = recorder.Make();
        main = std::make_unique<MainWindow>(actions);
        main->Create();
        main->FormCreate();
        about = std::make_unique<AboutWindow>(*main, actions);
        about->Create();
        settings = std::make_unique<SettingsWindow>(*main);
        settings->Create();
        main->SetSiblings(about.get(), settings.get());
    }
};

}  // namespace zephrin::test
