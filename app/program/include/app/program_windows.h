#pragma once
// Zephrin.exe's windows, made in the order its start has them: the main
// window with its creation sequence, then About, the progress window and
// "What Zephrin changes" (whose own window is made at its first showing).
// Every key press of the program passes the main window's F1 rule while they live.
#include <memory>

#include "app/about_window.h"
#include "app/actions.h"
#include "app/changes_window.h"
#include "app/main_window.h"
#include "app/progress_window.h"

namespace zephrin {

struct ProgramWindows {
    explicit ProgramWindows(Actions& actions);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    // Declared in the order they are made; they go in the reverse order.
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<AboutWindow> about;
    std::unique_ptr<ProgressWindow> progress;
    std::unique_ptr<ChangesWindow> changes;
};

}  // namespace zephrin
