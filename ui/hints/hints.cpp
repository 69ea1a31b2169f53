#include "ui/hints.h"

#include "ui/application.h"
#include "ui/toolkit.h"

namespace zephrin::ui {
namespace {
constexpr UINT kShowTimer = 1;
constexpr UINT kHideTimer = 2;
}  // namespace

std::wstring ShortHint(const std::wstring& hint) { return hint.substr(0, hint.find(L'|')); }

HintLayer::~HintLayer() { Shutdown(); }

void HintLayer::SetHint(const std::wstring& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    onHint();
}

void HintLayer::PointerOver(Component* c) {
    if (c == over_) return;
    over_ = c;
    SetHint(c ? c->hint : std::wstring());
    if (timerWindow_) KillTimer(timerWindow_.get(), kShowTimer);
    if (!c || ShortHint(c->hint).empty()) {
        HideNow();
        return;
    }
    // Moving on from a hint that shows: the next one follows quickly.
    StartTimer(kShowTimer, showing_ ? hintShortPause : hintPause);
}

void HintLayer::FormGoing(const Form& form) {
    if (!over_ || over_->form() != &form) return;
    over_ = nullptr;
    if (timerWindow_) KillTimer(timerWindow_.get(), kShowTimer);
    HideNow();
}

void HintLayer::ShowNow() {
    if (!over_) return;
    const std::wstring text = ShortHint(over_->hint);
    if (text.empty()) return;
    if (!window_ || windowKind_ != hintWindowClass) {
        window_.reset();
        windowKind_ = hintWindowClass;
        if (hintWindowClass) window_ = hintWindowClass(*this);
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
    if (timerWindow_) KillTimer(timerWindow_.get(), kHideTimer);
    if (showing_ && window_) window_->HideHint();
    showing_ = false;
}

void HintLayer::Shutdown() {
    over_ = nullptr;
    HideNow();
    window_.reset();
    timerWindow_.reset();
}

void HintLayer::StartTimer(UINT id, UINT ms) {
    if (!timerWindow_) {
        static const wchar_t kClass[] = L"ZephrinHintTimer";
        HINSTANCE inst = Application::Instance().instance();
        RegisterWindowClass(inst, kClass);
        WindowArgs w;
        w.className = kClass;
        w.parent = HWND_MESSAGE;
        timerWindow_.reset(CreateWindowFor(inst, w, this));
    }
    if (timerWindow_) SetTimer(timerWindow_.get(), id, ms, nullptr);
}

LRESULT HintLayer::HandleMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_TIMER) return DefWindowProcW(w, msg, wp, lp);
    KillTimer(w, wp);
    if (wp == kShowTimer) ShowNow();
    if (wp == kHideTimer) HideNow();
    return 0;
}

HintLayer& ApplicationHints() {
    Application& app = Application::Instance();
    auto* layer = dynamic_cast<HintLayer*>(app.pointerWatcher());
    if (!layer) {
        auto made = std::make_unique<HintLayer>();
        layer = made.get();
        app.SetPointerWatcher(std::move(made));
    }
    return *layer;
}

}  // namespace zephrin::ui
