#pragma once
// The click that answers the user's actions.
#include <windows.h>

namespace zephrin {

void PlayClickSound();

}  // namespace zephrin
