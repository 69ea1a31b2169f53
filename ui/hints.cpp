#include "ui/hints.h"

#include "ui/application.h"
#include "ui/toolkit.h"

namespace zephrin::ui {
namespace {
constexpr UINT kShowTimer = 1;
constexpr UINT kHideTimer = 2;
}  // namespace

std::wstring ShortHint(const std::wstring& hint) { return hint.substr(0, hint.find(L'|')); }

HintLayer& HintLayer::Instance() {
    static HintLayer layer;
    return layer;
}

void HintLayer::SetHint(const std::wstring& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    onHint();
}

void HintLayer::PointerOver(Component* c) {
    if (c == over_) return;
    over_ = c;
    SetHint(c ? c->hint : std::wstring());
    if (timerWindow_) KillTimer(timerWindow_, kShowTimer);
    if (!c || ShortHint(c->hint).empty()) {
        HideNow();
        return;
    }
    // Moving on from a hint that shows: the next one follows quickly.
    StartTimer(kShowTimer, showing_ ? hintShortPause : hintPause);
}

void HintLayer::Forget(const Component* c) {
    if (c != over_) return;
    over_ = nullptr;
    if (timerWindow_) KillTimer(timerWindow_, kShowTimer);
    HideNow();
}

void HintLayer::ShowNow() {
    if (!over_) return;
    const std::wstring text = ShortHint(over_->hint);
    if (text.empty()) return;
    if (!window_ || windowKind_ != hintWindowClass) {
        window_.reset();
        windowKind_ = hintWindowClass;
        if (hintWindowClass) window_ = hintWindowClass();
    }
    if (!window_) return;
    POINT p;
    GetCursorPos(&p);
    RECT r = window_->MeasureHintText(GetSystemMetrics(SM_CXSCREEN), text, nullptr);
    OffsetRect(&r, p.x, p.y + GetSystemMetrics(SM_CYCURSOR));
    window_->ShowHintText(r, text);
    showing_ = true;
    StartTimer(kHideTimer, hintHidePause);
}

void HintLayer::HideNow() {
    if (timerWindow_) KillTimer(timerWindow_, kHideTimer);
    if (showing_ && hideHint) hideHint();
    showing_ = false;
}

void HintLayer::Shutdown() {
    over_ = nullptr;
    HideNow();
    window_.reset();
    if (timerWindow_) DestroyWindow(timerWindow_);
    timerWindow_ = nullptr;
}

void HintLayer::StartTimer(UINT id, UINT ms) { SetTimer(TimerWindow(), id, ms, nullptr); }

LRESULT CALLBACK HintLayer::TimerProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_TIMER) return DefWindowProcW(w, msg, wp, lp);
    HintLayer& layer = Instance();
    KillTimer(w, wp);
    try {
        if (wp == kShowTimer) layer.ShowNow();
        if (wp == kHideTimer) layer.HideNow();
    } catch (...) {
    }
    return 0;
}

HWND HintLayer::TimerWindow() {
    if (!timerWindow_) {
        HINSTANCE inst = Application::Instance().instance();
        WNDCLASSW wc{};
        wc.lpfnWndProc = &HintLayer::TimerProc;
        wc.hInstance = inst;
        wc.lpszClassName = L"ZephrinHintTimer";
        RegisterClassW(&wc);
        timerWindow_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, inst, nullptr);
    }
    return timerWindow_;
}

}  // namespace zephrin::ui
