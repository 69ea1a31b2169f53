#pragma once
// The program's windows, made in process as the program makes them, with recorded actions.
#include <memory>

#include "app/program_windows.h"
#include "recording_actions.h"

namespace zephrin::test {

struct WindowsUnderTest {
    Recorder recorder;
    Actions actions;
    std::unique_ptr<zephrin::ProgramWindows> windows;
    MainWindow* main = nullptr;
    AboutWindow* about = nullptr;
    ProgressWindow* progress = nullptr;
    ChangesWindow* changes = nullptr;

    // Makes the windows anew, the main window's creation sequence included.
    void Open() {
        windows.reset();
        actions = recorder.Make();
        windows = std::make_unique<zephrin::ProgramWindows>(actions);
        main = windows->main.get();
        about = windows->about.get();
        progress = windows->progress.get();
        changes = windows->changes.get();
    }
};

}  // namespace zephrin::test
