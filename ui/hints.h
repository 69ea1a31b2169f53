#pragma once
// The hint layer: a hint text per component, the application's current hint
// with its change event, the pauses before and between hints and the display
// time, one hint window of a replaceable kind, and the hide-hint step.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace zephrin::ui {

class Component;

// A hint-changed handler: a plain function and its target, comparable as a pair.
struct HintEvent {
    void (*handler)(void* target) = nullptr;
    void* target = nullptr;
    bool operator==(const HintEvent& o) const { return handler == o.handler && target == o.target; }
    bool operator!=(const HintEvent& o) const { return !(*this == o); }
    void operator()() const {
        if (handler) handler(target);
    }
};

// The layer's hint window. The base draws nothing of its own; kinds derive from it.
class HintWindow {
public:
    virtual ~HintWindow() = default;
    virtual void ShowHintText(const RECT& rect, const std::wstring& text) = 0;
    virtual RECT MeasureHintText(int maxWidth, const std::wstring& text, void* data) = 0;
};

// Makes the hint window; the function itself names the kind.
using HintWindowFactory = std::unique_ptr<HintWindow> (*)();

// The part of a hint before the first "|".
std::wstring ShortHint(const std::wstring& hint);

class HintLayer {
public:
    static HintLayer& Instance();

    HintWindowFactory hintWindowClass = nullptr;
    HintEvent onHint;
    std::function<void()> hideHint;  // the hide-hint step
    UINT hintPause = 500;
    UINT hintShortPause = 100;
    UINT hintHidePause = 2500;

    const std::wstring& hint() const { return hint_; }
    // The pointer moved onto `c` (null: onto nothing with a hint).
    void PointerOver(Component* c);
    void SetHint(const std::wstring& hint);
    // A component going away is no longer under the pointer.
    void Forget(const Component* c);
    // Ends the layer's windows and timers; the program calls it before it ends.
    void Shutdown();
    HintWindow* window() const { return window_.get(); }

private:
    HintLayer() = default;
    void ShowNow();
    void HideNow();
    void StartTimer(UINT id, UINT ms);
    static LRESULT CALLBACK TimerProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    HWND TimerWindow();

    std::wstring hint_;
    Component* over_ = nullptr;       // borrowed: the component under the pointer
    bool showing_ = false;
    HWND timerWindow_ = nullptr;      // owned; destroyed in Shutdown
    std::unique_ptr<HintWindow> window_;
    HintWindowFactory windowKind_ = nullptr;
};

}  // namespace zephrin::ui
