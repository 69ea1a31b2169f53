#include "ui/application.h"
#include "platform/trace.h"
#include "ui/display.h"

namespace zephrin::ui {

Application& Application::Instance() {
    static Application app;
    return app;
}

void Application::SetCursor(CursorId id, HCURSOR cursor) { cursors_[static_cast<int>(id)] = cursor; }
void Application::RemoveCursor(CursorId id) { cursors_.erase(static_cast<int>(id)); }

HCURSOR Application::Cursor(CursorId id) const {
    auto it = cursors_.find(static_cast<int>(id));
    if (it != cursors_.end()) return it->second;
    if (id == CursorId::HourGlass) return LoadCursorW(nullptr, IDC_WAIT);
    return LoadCursorW(nullptr, IDC_ARROW);
}

void Application::InstallHandCursor() {
    if (HCURSOR hand = LoadCursorW(nullptr, IDC_HAND))
        SetCursor(CursorId::HandPoint, hand);
    else
        RemoveCursor(CursorId::HandPoint);
}

bool Application::HighContrast() {
    if (highContrast_ < 0) highContrast_ = SystemHighContrast() ? 1 : 0;
    return highContrast_ == 1;
}

bool Application::ReadHighContrast() {
    const int before = highContrast_;
    highContrast_ = SystemHighContrast() ? 1 : 0;
    return before != highContrast_;
}

void Application::Dispatch(MSG& msg) {
    if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && onShortCut) {
        try {
            onShortCut(msg);
        } catch (...) {
            // A failing shortcut handler must not keep the key from its window.
            TraceSwallowed(L"the key-shortcut handler failed");
        }
    }
    // Windowed controls with a hint: their container never sees the pointer over them.
    if (msg.message == WM_MOUSEMOVE) {
        Component* c = ComponentOfWindow(msg.hwnd);
        if (c && !c->AsContainer() && pointerWatcher_) pointerWatcher_->PointerOver(c);
    }
    // Tab, Enter and accelerators work in every top-level window of ours.
    HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (top && IsDialogMessageW(top, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool Application::ProcessPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        Dispatch(msg);
    }
    return !terminated_;
}

void Application::Run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
    terminated_ = true;
}

}  // namespace zephrin::ui
