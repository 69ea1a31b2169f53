#pragma once
// The program's texts: the caption table of the language the installer wrote
// into the program key, read anew for every use.
#include <string>
#include <vector>

#include "app/caption_keys.h"
#include "ui/toolkit.h"

namespace zephrin {

std::vector<std::wstring> ProgramCaptionLines();
// The row's text in the chosen language; the empty text, and a line for a
// debugger, when the table has no such row.
std::wstring Caption(const CaptionKey& key);
// The same, from lines already loaded.
std::wstring CaptionFromLines(const std::vector<std::wstring>& lines, const CaptionKey& key);
// Fonts and captions, as every window gets them before it is seen.
void PrepareWindow(ui::Form& form);

// Message box paragraphs, one blank line apart.
std::wstring JoinParagraphs(const std::vector<std::wstring>& parts);

}  // namespace zephrin
