#pragma once
// Hints shown by the system's own tooltip control instead of a window the
// hint layer draws itself: the system's look and font, kept on the monitor,
// timed from the user's double-click time.
#include <windows.h>

#include <string>

#include "ui/hints.h"

namespace zephrin::ui {

class NativeHintWindow : public HintWindow {
public:
    explicit NativeHintWindow(HintLayer& layer);
    ~NativeHintWindow() override;
    NativeHintWindow(const NativeHintWindow&) = delete;
    NativeHintWindow& operator=(const NativeHintWindow&) = delete;

    void ShowHintText(const RECT& rect, const std::wstring& text) override;
    RECT MeasureHintText(int maxWidth, const std::wstring& text, void* data) override;
    void HideHint() override { ReleaseTooltip(); }
    void ReleaseTooltip();

    HWND tooltip() const { return tooltip_.get(); }

private:
    static void ApplicationHintChanged(void* self);

    HintLayer& layer_;
    HintEvent savedOnHint_;
    UniqueWindow tooltip_;
    std::wstring controlText_;
};

// Makes the layer show its hints in native tooltips.
void InstallNativeHints(HintLayer& layer);

struct HintTimings {
    UINT pause, shortPause, hidePause;
};
HintTimings HintTimingsFor(UINT doubleClickTime);

SIZE MeasureTextLine(const std::wstring& line);
SIZE MeasureTextLines(const std::wstring& text);

// Where the tooltip goes for a hint point, an estimated size, the monitor and the pointer's y.
POINT PlaceTooltip(POINT p, SIZE estimate, const RECT& monitor, LONG cursorY);

HWND CreateTooltipWindow(POINT p, const std::wstring& text);

}  // namespace zephrin::ui
