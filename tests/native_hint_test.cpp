#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include "app/captions.h"
#include "harness.h"
#include "ui/application.h"
#include "ui/native_hints.h"
#include "ui/toolkit.h"

using namespace zephrin;
using namespace zephrin::ui;
using namespace zephrin::test;
using namespace std::chrono_literals;

TEST(TooltipPlacement, StaysOnTheMonitor) {
    const RECT monitor{0, 0, 1280, 1024};
    const SIZE size{200, 40};
    EXPECT_EQ(PlaceTooltip({100, 100}, size, monitor, 80).y, 100) << "room below: unchanged";
    const POINT low = PlaceTooltip({100, 1000}, size, monitor, 990);
    EXPECT_EQ(low.y, 990 - 40) << "at the bottom: above the pointer by the estimated height";
    EXPECT_EQ(low.x, 100);
    EXPECT_EQ(PlaceTooltip({1200, 100}, size, monitor, 80).x, 1080) << "ends at the right edge";
    EXPECT_EQ(PlaceTooltip({1080, 100}, size, monitor, 80).x, 1080) << "touching the edge counts";
    EXPECT_EQ(PlaceTooltip({-50, 100}, size, monitor, 80).x, 0) << "left of the monitor: its left edge";
    EXPECT_EQ(PlaceTooltip({10, 1000}, SIZE{20, 40}, RECT{0, 0, 1280, 30}, 5).y, 0) << "never above the top";
}

TEST(TooltipPlacement, SecondMonitorLeftOfTheFirst) {
    const RECT left{-1920, -200, 0, 880};
    const SIZE size{300, 50};
    EXPECT_EQ(PlaceTooltip({-100, 100}, size, left, 90).x, -300);
    EXPECT_EQ(PlaceTooltip({-2000, 100}, size, left, 90).x, -1920);
    EXPECT_EQ(PlaceTooltip({-500, 860}, size, left, 850).y, 800);
    EXPECT_EQ(PlaceTooltip({-500, -300}, size, left, -300).y, -200);
}

TEST(NativeHints, TimingsFollowTheDoubleClickTime) {
    const HintTimings a = HintTimingsFor(500);
    EXPECT_EQ(a.pause, 500u);
    EXPECT_EQ(a.shortPause, 100u);
    EXPECT_EQ(a.hidePause, 5000u);
    const HintTimings b = HintTimingsFor(900);
    EXPECT_EQ(b.pause, 900u);
    EXPECT_EQ(b.shortPause, 180u);
    EXPECT_EQ(b.hidePause, 9000u);
    InstallNativeHints(ApplicationHints());
    const UINT before = GetDoubleClickTime();
    SetDoubleClickTime(900);
    {
        NativeHintWindow w(ApplicationHints());
        EXPECT_EQ(ApplicationHints().hintPause, 900u);
        EXPECT_EQ(ApplicationHints().hintShortPause, 180u);
        EXPECT_EQ(ApplicationHints().hintHidePause, 9000u);
    }
    SetDoubleClickTime(before);
    ApplicationHints().Shutdown();
}

TEST(NativeHints, ThreeLinesMeasureAsTheWidestByTheSumOfHeights) {
    const SIZE a = MeasureTextLine(L"short");
    const SIZE b = MeasureTextLine(L"a much longer middle line");
    const SIZE c = MeasureTextLine(L"end");
    const SIZE all = MeasureTextLines(L"short\r\na much longer middle line\r\nend");
    EXPECT_EQ(all.cx, b.cx);
    EXPECT_EQ(all.cy, a.cy + b.cy + c.cy);
    EXPECT_GT(all.cy, 0);
    const SIZE lone = MeasureTextLines(L"one\ntwo");
    EXPECT_EQ(lone.cy, a.cy) << "a lone LF does not cut";
}

namespace {

int CountTooltips() {
    int n = 0;
    for (HWND w : TopWindowsOf(GetCurrentProcessId())) {
        wchar_t cls[64] = {};
        GetClassNameW(w, cls, 64);
        if (lstrcmpiW(cls, TOOLTIPS_CLASSW) == 0) ++n;
    }
    return n;
}

void Noop(void*) {}

class HintWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstallNativeHints(ApplicationHints());
        ApplicationHints().onHint = HintEvent{&Noop, &marker};
    }
    void TearDown() override { ApplicationHints().Shutdown(); }
    int marker = 0;
};

}  // namespace

TEST_F(HintWindowTest, SameTextTwiceMakesNoSecondWindow) {
    NativeHintWindow w(ApplicationHints());
    const int before = CountTooltips();
    w.ShowHintText(RECT{100, 100, 200, 120}, L"Hello");
    HWND first = w.tooltip();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(IsWindowVisible(first));
    w.ShowHintText(RECT{100, 100, 200, 120}, L"Hello");
    EXPECT_EQ(w.tooltip(), first);
    EXPECT_EQ(CountTooltips(), before + 1);
    w.ShowHintText(RECT{100, 100, 200, 120}, L"Other");
    EXPECT_FALSE(IsWindow(first)) << "the first tooltip goes before the next is made";
    EXPECT_EQ(CountTooltips(), before + 1);
}

TEST_F(HintWindowTest, EmptyBlankOrBarHintDestroysTheTooltip) {
    for (const wchar_t* hint : {L"", L"  \t ", L"|long part only"}) {
        NativeHintWindow w(ApplicationHints());
        ApplicationHints().SetHint(L"Something");
        w.ShowHintText(RECT{50, 50, 60, 60}, L"Something");
        HWND tip = w.tooltip();
        ASSERT_TRUE(IsWindow(tip));
        ApplicationHints().SetHint(hint);
        EXPECT_FALSE(IsWindow(tip)) << Narrow(hint);
        ApplicationHints().SetHint(L"");
    }
}

TEST_F(HintWindowTest, OnHintIsPutBackExactly) {
    const HintEvent original = ApplicationHints().onHint;
    {
        NativeHintWindow w(ApplicationHints());
        EXPECT_NE(ApplicationHints().onHint, original);
        w.ShowHintText(RECT{10, 10, 20, 20}, L"shown");
        ApplicationHints().SetHint(L"x");
        ApplicationHints().SetHint(L"");
    }
    EXPECT_EQ(ApplicationHints().onHint, original);
}

TEST_F(HintWindowTest, HideStepTakesTheTooltipAwayAndMayRepeat) {
    NativeHintWindow w(ApplicationHints());
    w.HideHint();
    EXPECT_EQ(w.tooltip(), nullptr);
    w.ShowHintText(RECT{10, 10, 20, 20}, L"visible");
    HWND tip = w.tooltip();
    ASSERT_TRUE(IsWindow(tip));
    w.HideHint();
    EXPECT_FALSE(IsWindow(tip));
    EXPECT_EQ(w.tooltip(), nullptr);
}

// A real form with a hinted control: the tooltip shows near the pointer and goes again.
TEST_F(HintWindowTest, TooltipAppearsNearThePointerAndLeavesAfterTheDisplayTime) {
    Form form(FormArgs{L"ZPHintTest", L"TZPHintTest", 300, 120});
    Label* label = form.Add<Label>(nullptr, L"Hinted");
    label->bounds = {20, 20, 0, 0};
    label->hint = L"Optimizes this connection|The long part is not shown";
    form.Create();
    label->SetCaption(L"Point here for a hint");
    form.Show();
    HintLayer& layer = ApplicationHints();
    // The native hint window sets the timings from the double-click time when the layer makes it.
    RECT r = label->PixelRect();
    POINT p{r.left + 5, r.top + 5};
    ClientToScreen(form.Handle(), &p);
    SetCursorPos(p.x, p.y);
    POINT client{r.left + 5, r.top + 5};
    SendMessageW(form.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
    HWND tip = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        auto* w = dynamic_cast<NativeHintWindow*>(layer.window());
        tip = w ? w->tooltip() : nullptr;
        return tip && IsWindowVisible(tip);
    }, 5s));
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    wchar_t text[256] = {};
    tool.lpszText = text;
    SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, L"Optimizes this connection");
    RECT tr;
    GetWindowRect(tip, &tr);
    EXPECT_LT(std::abs(tr.left - p.x), 40);
    EXPECT_GT(tr.top, p.y) << "below the pointer";
    EXPECT_LT(tr.top - p.y, 80);
    SaveScreenPng(RECT{tr.left - 60, tr.top - 60, tr.right + 60, tr.bottom + 20}, L"tooltip.png");
    const auto shown = std::chrono::steady_clock::now();
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(tip); }, 15s)) << "gone after the display time";
    EXPECT_GE(std::chrono::steady_clock::now() - shown, std::chrono::milliseconds(layer.hintHidePause - 500));
}
