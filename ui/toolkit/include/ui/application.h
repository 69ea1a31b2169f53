#pragma once
// The application object: the program's one piece of process-wide state. It
// holds the instance handle, the cursor table, the key-shortcut hook, the
// message pump that every loop of the program (main, modal, paced steps)
// uses, and the two listeners the toolkit knows only by their interfaces:
// the hint layer (ui/hints) and what screen readers are told (ui/accessibility).
#include <windows.h>

#include <functional>
#include <map>

#include <memory>

#include "ui/png.h"
#include "ui/toolkit.h"

namespace zephrin::ui {

// Where the pointer is over the windows' components, and which forms go.
class PointerWatcher {
public:
    virtual ~PointerWatcher() = default;
    // The pointer moved onto `c` (null: onto nothing with a hint).
    virtual void PointerOver(Component* c) = 0;
    // A form going away takes its components from under the pointer.
    virtual void FormGoing(const Form& form) = 0;
};

// What screen readers are told and asked about the windows. Without one,
// every window leaves the questions to the system.
class ScreenReaderBridge {
public:
    virtual ~ScreenReaderBridge() = default;
    // Answers to WM_GETOBJECT, or 0 to leave the question to DefWindowProc.
    virtual LRESULT AnswerContainer(HWND window, WPARAM wp, LPARAM lp) = 0;
    virtual LRESULT AnswerItem(HWND stop, WPARAM wp, LPARAM lp) = 0;
    // Events for clients that listen: an item took the focus, a text changed its name.
    virtual void ItemFocused(const KeyboardItem& item) = 0;
    virtual void NameChanged(const Component& component) = 0;
    // The control's window answers with the name its label gives it from now on.
    virtual void NameControl(HWND window) = 0;
};

class Application {
public:
    static Application& Instance();

    HINSTANCE instance() const { return instance_; }
    void SetInstance(HINSTANCE instance) { instance_ = instance; }
    PointerWatcher* pointerWatcher() const { return pointerWatcher_.get(); }
    void SetPointerWatcher(std::unique_ptr<PointerWatcher> watcher) { pointerWatcher_ = std::move(watcher); }
    ScreenReaderBridge* screenReaders() const { return screenReaders_.get(); }
    void SetScreenReaders(std::unique_ptr<ScreenReaderBridge> bridge) { screenReaders_ = std::move(bridge); }
    PicturePrefetch& pictures() { return pictures_; }

    // The cursor table: identifiers to shared cursor handles.
    void SetCursor(CursorId id, HCURSOR cursor);
    void RemoveCursor(CursorId id);
    HCURSOR Cursor(CursorId id) const;
    // The hand-point entry is the system's hand, where the system has one.
    void InstallHandCursor();

    // Whether the windows paint in the system's colours alone: read at first
    // use and again when a window hears that the colours or settings changed.
    bool HighContrast();
    // Reads it again; true when it changed.
    bool ReadHighContrast();

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
    std::unique_ptr<PointerWatcher> pointerWatcher_;
    std::unique_ptr<ScreenReaderBridge> screenReaders_;
    PicturePrefetch pictures_;
    bool terminated_ = false;
    int highContrast_ = -1;  // not read yet
};

}  // namespace zephrin::ui
