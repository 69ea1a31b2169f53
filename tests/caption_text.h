#pragma once
// The program's text for a window and key as a test names them, ASCII case and
// all, searched as the caption tables are.
#include <string>

#include "app/captions.h"
#include "ui/captions.h"

namespace zephrin::test {

inline std::wstring CaptionOf(const std::wstring& window, const std::wstring& key) {
    return ui::GetCaptionFromLines(ProgramCaptionLines(), window, key);
}

}  // namespace zephrin::test
