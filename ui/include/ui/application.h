#pragma once
// The application object: the program's one piece of process-wide state. It
// holds the instance handle, the cursor table, the hint layer, the
// key-shortcut hook and the message pump that every loop of the program
// (main, modal, paced steps) uses.
#include <windows.h>

#include <functional>
#include <map>

#include "ui/hints.h"
#include "ui/png.h"
#include "ui/toolkit.h"

namespace zephrin::ui {

class Application {
public:
    static Application& Instance();

    HINSTANCE instance() const { return instance_; }
    void SetInstance(HINSTANCE instance) { instance_ = instance; }
    HintLayer& hints() { return hints_; }
    PicturePrefetch& pictures() { return pictures_; }

    // The cursor table: identifiers to shared cursor handles.
    void SetCursor(CursorId id, HCURSOR cursor);
    void RemoveCursor(CursorId id);
    HCURSOR Cursor(CursorId id) const;
    // The hand-point entry is the system's hand, where the system has one.
    void InstallHandCursor();

    // Sees every key press of every window before it is dispatched.
    std::function<void(const MSG&)> onShortCut;

    // Dispatches one message through the shortcut hook and dialog navigation.
    void Dispatch(MSG& msg);
    // Handles every message waiting in the queue without waiting for more.
    // Returns false once WM_QUIT was seen (it is posted again for the outer loop).
    bool ProcessPending();
    // The main loop: runs until WM_QUIT.
    void Run();

private:
    Application() = default;
    HINSTANCE instance_ = nullptr;
    std::map<int, HCURSOR> cursors_;
    HintLayer hints_;
    PicturePrefetch pictures_;
    bool terminated_ = false;
};

}  // namespace zephrin::ui
