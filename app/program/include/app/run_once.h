#pragma once
// The single-instance rule: another copy is found by its main window's class.
#include <string>

namespace zephrin {

bool FindRunningInstance(const std::wstring& windowClass, bool activate);

}  // namespace zephrin
