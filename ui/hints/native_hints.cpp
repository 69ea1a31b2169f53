#include "ui/native_hints.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "platform/handles.h"
#include "ui/application.h"
#include "platform/text.h"

namespace zephrin::ui {
namespace {

std::unique_ptr<HintWindow> MakeNativeHintWindow(HintLayer& layer) {
    return std::make_unique<NativeHintWindow>(layer);
}

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

HintTimings HintTimingsFor(UINT d) { return HintTimings{d, d / 5, 10 * d}; }

NativeHintWindow::NativeHintWindow(HintLayer& layer) : layer_(layer) {
    savedOnHint_ = layer.onHint;
    layer.onHint = HintEvent{&NativeHintWindow::ApplicationHintChanged, this};
    const HintTimings t = HintTimingsFor(GetDoubleClickTime());
    layer.hintPause = t.pause;
    layer.hintShortPause = t.shortPause;
    layer.hintHidePause = t.hidePause;
}

NativeHintWindow::~NativeHintWindow() { layer_.onHint = savedOnHint_; }

void NativeHintWindow::ReleaseTooltip() { tooltip_.reset(); }

void NativeHintWindow::ApplicationHintChanged(void* self) {
    auto* window = static_cast<NativeHintWindow*>(self);
    if (TrimControlChars(ShortHint(window->layer_.hint())).empty()) window->ReleaseTooltip();
}

void NativeHintWindow::ShowHintText(const RECT& rect, const std::wstring& text) {
    if (tooltip_ && IsWindow(tooltip_.get()) && text == controlText_) return;  // already shows this hint
    controlText_ = text;
    tooltip_.reset(CreateTooltipWindow(POINT{rect.left, rect.top}, text));
}

RECT NativeHintWindow::MeasureHintText(int, const std::wstring& text, void*) {
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
                               Application::Instance().instance(), nullptr);
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

void InstallNativeHints(HintLayer& layer) { layer.hintWindowClass = &MakeNativeHintWindow; }

}  // namespace zephrin::ui
