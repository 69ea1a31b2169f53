#include "app/program_windows.h"

#include "ui/application.h"

namespace zephrin {

ProgramWindows::ProgramWindows(Actions& actions) {
    main = std::make_unique<MainWindow>(actions);
    main->Create();
    main->FormCreate();
    about = std::make_unique<AboutWindow>(*main, actions);
    about->Create();
    progress = std::make_unique<ProgressWindow>(*main);
    progress->Create();
    changes = std::make_unique<ChangesWindow>(*main, actions);
    main->SetSiblings(about.get(), progress.get(), changes.get());
    MainWindow* window = main.get();
    ui::Application::Instance().onShortCut = [window](const MSG& msg) { window->KeyShortCut(static_cast<UINT>(msg.wParam)); };
}

ProgramWindows::~ProgramWindows() {
    ui::Application::Instance().onShortCut = nullptr;
    changes.reset();
    progress.reset();
    about.reset();
    main.reset();
}

}  // namespace zephrin
