#pragma once
// The program's texts: the caption table of the language the installer wrote
// into the program key, read anew for every use.
#include <string>
#include <vector>

#include "ui/toolkit.h"

namespace zephrin {

std::vector<std::wstring> ProgramCaptionLines();
std::wstring Caption(const std::wstring& window, const std::wstring& key);
// Fonts and captions, as every window gets them before it is seen.
void PrepareWindow(ui::Form& form);

// Message box paragraphs, one blank line apart.
std::wstring JoinParagraphs(const std::vector<std::wstring>& parts);

}  // namespace zephrin
