#include "ui/native_hint_window.h"

namespace zephrin {

// The program's own windows carry no hints yet; the tooltip layer hooks in here.
void InstallNativeHints() {}
void ReleaseNativeHints() {}

}  // namespace zephrin
