#pragma once
// The hint layer: a hint text per component, the application's current hint
// with its change event, the pauses before and between hints and the display
// time, one hint window of a replaceable kind, and the hide-hint step.
// The application object owns the one layer of the program, and hears from the
// toolkit through it where the pointer is.
#include <windows.h>

#include <memory>
#include <string>

#include "platform/handles.h"
#include "ui/application.h"
#include "ui/window.h"

namespace zephrin::ui {

class Component;
class Form;
class HintLayer;

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
    // The hide-hint step: takes away what ShowHintText showed.
    virtual void HideHint() {}
};

// Makes the hint window for a layer; the function itself names the kind.
using HintWindowFactory = std::unique_ptr<HintWindow> (*)(HintLayer& layer);

// The part of a hint before the first "|".
std::wstring ShortHint(const std::wstring& hint);

class HintLayer final : public PointerWatcher, private MessageTarget {
public:
    HintLayer() = default;
    ~HintLayer() override;
    HintLayer(const HintLayer&) = delete;
    HintLayer& operator=(const HintLayer&) = delete;

    HintWindowFactory hintWindowClass = nullptr;
    HintEvent onHint;
    UINT hintPause = 500;
    UINT hintShortPause = 100;
    UINT hintHidePause = 2500;

    const std::wstring& hint() const { return hint_; }
    void PointerOver(Component* c) override;
    void SetHint(const std::wstring& hint);
    void FormGoing(const Form& form) override;
    // Ends the layer's windows and timers; the program calls it before it ends.
    void Shutdown();
    HintWindow* window() const { return window_.get(); }

private:
    void ShowNow();
    void HideNow();
    void StartTimer(UINT id, UINT ms);
    LRESULT HandleMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp) override;
    void WindowDestroyed() override { timerWindow_.release(); }

    std::wstring hint_;
    Component* over_ = nullptr;  // borrowed: the component under the pointer
    bool showing_ = false;
    UniqueWindow timerWindow_;
    std::unique_ptr<HintWindow> window_;
    HintWindowFactory windowKind_ = nullptr;
};

// The application object's hint layer, made and handed to it at the first call.
HintLayer& ApplicationHints();

}  // namespace zephrin::ui
