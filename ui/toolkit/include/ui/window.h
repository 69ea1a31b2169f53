#pragma once
// The one window procedure of every window class of ours: it binds the C++
// object at WM_NCCREATE, releases it at WM_NCDESTROY, and is the single place
// where no exception may pass into Windows.
#include <windows.h>

namespace zephrin::ui {

class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual LRESULT HandleMessage(HWND window, UINT msg, WPARAM wp, LPARAM lp) = 0;
    // The window is gone: its handle must not be used again.
    virtual void WindowDestroyed() {}
};

// The object that answers a window of ours; null for any other window.
MessageTarget* TargetOfWindow(HWND window);

// Registers a class of ours once per process, with the thunk as its procedure.
// Cursors are chosen per point in WM_SETCURSOR, so the class has none.
void RegisterWindowClass(HINSTANCE instance, const wchar_t* className, HICON icon = nullptr);

struct WindowArgs {
    const wchar_t* className = nullptr;
    const wchar_t* title = L"";
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};  // position and size in the parent's client pixels (screen pixels for top-level)
    HWND parent = nullptr;
    int id = 0;  // child windows only
};

// Creates a window. With `target` set, the class must be one of ours and the
// target answers its messages; system classes (BUTTON, EDIT, ...) take none.
HWND CreateWindowFor(HINSTANCE instance, const WindowArgs& args, MessageTarget* target = nullptr);

// A procedure put in front of a system control's own: it sees each message
// with the procedure it replaced, and calls that for whatever it leaves alone.
using SubclassProcedure = LRESULT (*)(HWND window, UINT msg, WPARAM wp, LPARAM lp, WNDPROC prior);

namespace detail {
LRESULT RunSubclass(HWND window, UINT msg, WPARAM wp, LPARAM lp, SubclassProcedure procedure);
void InstallSubclass(HWND window, SubclassProcedure procedure, WNDPROC thunk);
template <SubclassProcedure Procedure>
LRESULT CALLBACK SubclassThunk(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    return RunSubclass(window, msg, wp, lp, Procedure);
}
}  // namespace detail

// Puts `Procedure` in front of the window's own procedure, once, behind the
// same guard as our own windows'; undone when the window goes.
template <SubclassProcedure Procedure>
void Subclass(HWND window) {
    detail::InstallSubclass(window, Procedure, &detail::SubclassThunk<Procedure>);
}

}  // namespace zephrin::ui
