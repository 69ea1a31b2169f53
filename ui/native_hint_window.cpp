#include "ui/native_hint_window.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "settings/handles.h"
#include "ui/application.h"
#include "ui/captions.h"

namespace zephrin {
namespace {

// Created at installation and freed when the program ends.
std::unique_ptr<std::vector<THintWindowFix*>> g_hintWindows;

std::unique_ptr<ui::HintWindow> MakeNativeHintWindow() { return std::make_unique<THintWindowFix>(); }

// The hint font: the system's status font, else 8 points.
UniqueFont HintFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return UniqueFont(CreateFontIndirectW(&metrics.lfStatusFont));
    LOGFONTW lf{};
    WindowDC screen(nullptr);
    lf.lfHeight = -MulDiv(8, GetDeviceCaps(screen.get(), LOGPIXELSY), 72);
    lstrcpyW(lf.lfFaceName, L"Tahoma");
    return UniqueFont(CreateFontIndirectW(&lf));
}

}  // namespace

const std::vector<THintWindowFix*>& HintWindows() {
    static const std::vector<THintWindowFix*> none;
    return g_hintWindows ? *g_hintWindows : none;
}

HintTimings HintTimingsFor(UINT d) { return HintTimings{d, d / 5, 10 * d}; }

THintWindowFix::THintWindowFix() {
    ui::HintLayer& layer = ui::HintLayer::Instance();
    savedOnHint_ = layer.onHint;
    layer.onHint = ui::HintEvent{&THintWindowFix::ApplicationHintChanged, this};
    const HintTimings t = HintTimingsFor(GetDoubleClickTime());
    layer.hintPause = t.pause;
    layer.hintShortPause = t.shortPause;
    layer.hintHidePause = t.hidePause;
    if (g_hintWindows) g_hintWindows->push_back(this);
}

THintWindowFix::~THintWindowFix() {
    if (g_hintWindows) {
        auto& list = *g_hintWindows;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    ui::HintLayer::Instance().onHint = savedOnHint_;
    ReleaseTooltip();
}

void THintWindowFix::ReleaseTooltip() {
    if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
}

void THintWindowFix::ApplicationHintChanged(void* self) {
    try {
        if (ui::TrimControlChars(ui::ShortHint(ui::HintLayer::Instance().hint())).empty())
            static_cast<THintWindowFix*>(self)->ReleaseTooltip();
    } catch (...) {
    }
}

void THintWindowFix::ShowHintText(const RECT& rect, const std::wstring& text) {
    try {
        if (tooltip_ && IsWindow(tooltip_)) {
            if (text == controlText_) return;  // already shows this hint
            DestroyWindow(tooltip_);
        }
        controlText_ = text;
        tooltip_ = CreateTooltipWindow(POINT{rect.left, rect.top}, text);
    } catch (...) {
    }
}

RECT THintWindowFix::MeasureHintText(int, const std::wstring& text, void*) {
    const SIZE s = MeasureTextLines(text);
    return RECT{0, 0, s.cx, s.cy};
}

SIZE MeasureTextLine(const std::wstring& line) {
    SIZE size{0, 0};
    WindowDC screen(nullptr);
    UniqueFont font = HintFont();
    if (!screen.get()) return size;
    SelectScope select(screen.get(), font.get());
    if (!GetTextExtentPoint32W(screen.get(), line.c_str(), static_cast<int>(line.size()), &size)) size = SIZE{0, 0};
    return size;
}

SIZE MeasureTextLines(const std::wstring& text) {
    try {
        SIZE total{0, 0};
        size_t start = 0;
        for (;;) {
            const size_t end = text.find(L"\r\n", start);
            const SIZE s = MeasureTextLine(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
            total.cx = std::max(total.cx, s.cx);
            total.cy += s.cy;
            if (end == std::wstring::npos) break;
            start = end + 2;
        }
        return total;
    } catch (...) {
        return SIZE{0, 0};
    }
}

POINT PlaceTooltip(POINT p, SIZE estimate, const RECT& monitor, LONG cursorY) {
    if (p.y + estimate.cy >= monitor.bottom) p.y = cursorY - estimate.cy;  // above the pointer
    if (p.x + estimate.cx >= monitor.right) p.x = monitor.right - estimate.cx;
    if (p.x < monitor.left) p.x = monitor.left;
    if (p.y < monitor.top) p.y = monitor.top;
    return p;
}

static_assert(sizeof(TOOLINFOW) == 48, "the tool record the tooltip expects");

HWND CreateTooltipWindow(POINT p, const std::wstring& text) {
    HWND tip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                               ui::Application::Instance().instance(), nullptr);
    if (!tip) return nullptr;
    SetWindowPos(tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    HWND under = WindowFromPoint(p);
    // The tooltip subclasses that window; another program's window is not ours to subclass.
    DWORD owner = 0;
    if (under && (GetWindowThreadProcessId(under, &owner), owner != GetCurrentProcessId())) under = nullptr;
    RECT monitor{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                 GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                 GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    MONITORINFO info{sizeof info};
    if (GetMonitorInfoW(MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST), &info)) monitor = info.rcMonitor;
    SIZE size = MeasureTextLines(text);
    RECT frame{0, 0, 0, 0};
    SendMessageW(tip, TTM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&frame));
    size.cx += 2 * (frame.right - frame.left);
    size.cy += 2 * (frame.bottom - frame.top);
    POINT cursor{0, 0};
    GetCursorPos(&cursor);
    p = PlaceTooltip(p, size, monitor, cursor.y);
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, monitor.right - monitor.left);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS | TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT;
    tool.hwnd = under;
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(p.x, p.y + 1));
    SendMessageW(tip, TTM_TRACKACTIVATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&tool));
    return tip;
}

void HideNativeHint() {
    if (!HintWindows().empty()) HintWindows().front()->ReleaseTooltip();
}

void InstallNativeHints() {
    try {
        g_hintWindows = std::make_unique<std::vector<THintWindowFix*>>();
        ui::HintLayer& layer = ui::HintLayer::Instance();
        layer.hintWindowClass = &MakeNativeHintWindow;
        layer.hideHint = [] { HideNativeHint(); };
    } catch (...) {
    }
}

void ReleaseNativeHints() {
    ui::HintLayer::Instance().Shutdown();
    g_hintWindows.reset();
}

}  // namespace zephrin
