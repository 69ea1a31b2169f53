#include "ui/window.h"

#include <cwchar>
#include <string>

#include "platform/trace.h"

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
        TraceSwallowed(L"a window's handler failed");
        return DefWindowProcW(wnd, msg, wp, lp);
    }
}

// Each procedure keeps the one it replaced under a property of its own, so
// that two of them may stand in front of the same window.
std::wstring PriorProperty(SubclassProcedure procedure) {
    wchar_t name[48];
    swprintf(name, 48, L"ZephrinPrior%p", reinterpret_cast<void*>(procedure));
    return name;
}

}  // namespace

namespace detail {

LRESULT RunSubclass(HWND window, UINT msg, WPARAM wp, LPARAM lp, SubclassProcedure procedure) {
    const std::wstring property = PriorProperty(procedure);
    auto prior = reinterpret_cast<WNDPROC>(GetPropW(window, property.c_str()));
    if (!prior) return DefWindowProcW(window, msg, wp, lp);
    if (msg == WM_NCDESTROY) RemovePropW(window, property.c_str());
    try {
        return procedure(window, msg, wp, lp, prior);
    } catch (...) {
        TraceSwallowed(L"a control's handler failed");
        return CallWindowProcW(prior, window, msg, wp, lp);
    }
}

void InstallSubclass(HWND window, SubclassProcedure procedure, WNDPROC thunk) {
    const std::wstring property = PriorProperty(procedure);
    if (!window || GetPropW(window, property.c_str())) return;
    const LONG_PTR prior = GetWindowLongPtrW(window, GWLP_WNDPROC);
    if (!SetPropW(window, property.c_str(), reinterpret_cast<HANDLE>(prior))) return;
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(thunk));
}

}  // namespace detail

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
