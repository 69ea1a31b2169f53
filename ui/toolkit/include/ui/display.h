#pragma once
// What the display asks of windows that paint themselves: the system's
// colours alone while high contrast is on, and their layout made again when
// Windows moves them to a monitor of another DPI.
#include <windows.h>

namespace zephrin::ui {

// Whether the user has turned high contrast on.
bool SystemHighContrast();

// The DPI Windows gives this window (per monitor from Windows 10 1607 on), or 0
// where the system has no such query.
int WindowDpi(HWND window);

// Sent by Windows 8.1 and later to per-monitor aware windows; named here
// because older headers do not know it.
inline constexpr UINT kDpiChangedMessage = 0x02E0;

}  // namespace zephrin::ui
