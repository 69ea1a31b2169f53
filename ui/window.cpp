#include "ui/window.h"

namespace zephrin::ui {
namespace {

LRESULT CALLBACK Thunk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    MessageTarget* target = TargetOfWindow(wnd);
    if (msg == WM_NCCREATE) {
        target = static_cast<MessageTarget*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(target));
    }
    if (!target) return DefWindowProcW(wnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        target->WindowDestroyed();
        return DefWindowProcW(wnd, msg, wp, lp);
    }
    try {
        return target->HandleMessage(wnd, msg, wp, lp);
    } catch (...) {
        // A handler that fails does nothing; the user is not troubled with it.
        return DefWindowProcW(wnd, msg, wp, lp);
    }
}

}  // namespace

MessageTarget* TargetOfWindow(HWND window) {
    return window ? reinterpret_cast<MessageTarget*>(GetWindowLongPtrW(window, GWLP_USERDATA)) : nullptr;
}

void RegisterWindowClass(HINSTANCE instance, const wchar_t* className, HICON icon) {
    WNDCLASSW wc{};
    if (GetClassInfoW(instance, className, &wc)) return;
    wc.lpfnWndProc = &Thunk;
    wc.hInstance = instance;
    wc.lpszClassName = className;
    wc.hIcon = icon;
    RegisterClassW(&wc);
}

HWND CreateWindowFor(HINSTANCE instance, const WindowArgs& args, MessageTarget* target) {
    const RECT& r = args.rect;
    HMENU idOrMenu = (args.style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)) : nullptr;
    return CreateWindowExW(args.exStyle, args.className, args.title, args.style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, args.parent, idOrMenu, instance, target);
}

}  // namespace zephrin::ui
