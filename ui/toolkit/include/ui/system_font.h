#pragma once
// Fonts every window takes before it is seen: the desktop font, no larger
// than 9 points, with components that have a font of their own keeping their
// size and style but taking the window's face.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/toolkit.h"

namespace zephrin::ui {

// The icon-title font as a form font; the stock system font when it cannot be read.
FontSpec DesktopFont();
FontSpec FontSpecFromLogFont(const LOGFONTW& lf, int dpi);

void NormalizeFormFont(Form& form);

// The desktop font and NormalizeFormFont, without touching any window. A form
// that calls this before Create gives each control its final font at once.
void PrepareFonts(Form& form);

// Desktop font, NormalizeFormFont, then the caption table's rows, in that order.
void PrepareWindow(Form& form, const std::vector<std::wstring>& captionLines);

}  // namespace zephrin::ui
