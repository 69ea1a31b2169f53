#pragma once
// Hints shown by the system's own tooltip control instead of a window the
// hint layer draws itself: the system's look and font, kept on the monitor,
// timed from the user's double-click time.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/hints.h"

namespace zephrin {

class THintWindowFix : public ui::HintWindow {
public:
    THintWindowFix();
    ~THintWindowFix() override;
    THintWindowFix(const THintWindowFix&) = delete;
    THintWindowFix& operator=(const THintWindowFix&) = delete;

    void ShowHintText(const RECT& rect, const std::wstring& text) override;
    RECT MeasureHintText(int maxWidth, const std::wstring& text, void* data) override;
    void ReleaseTooltip();

    HWND tooltip() const { return tooltip_; }

private:
    static void ApplicationHintChanged(void* self);

    ui::HintEvent savedOnHint_;
    HWND tooltip_ = nullptr;  // owned: destroyed by ReleaseTooltip
    std::wstring controlText_;
};

// The live hint windows, in order of creation.
const std::vector<THintWindowFix*>& HintWindows();

void InstallNativeHints();
void ReleaseNativeHints();
void HideNativeHint();

struct HintTimings {
    UINT pause, shortPause, hidePause;
};
HintTimings HintTimingsFor(UINT doubleClickTime);

SIZE MeasureTextLine(const std::wstring& line);
SIZE MeasureTextLines(const std::wstring& text);

// Where the tooltip goes for a hint point, an estimated size, the monitor and the pointer's y.
POINT PlaceTooltip(POINT p, SIZE estimate, const RECT& monitor, LONG cursorY);

HWND CreateTooltipWindow(POINT p, const std::wstring& text);

}  // namespace zephrin
