#pragma once
// Another running copy of our programs, found by its window class. A class
// name is no proof: any program of the user may register one. The window
// counts only when its process runs a file of our program's name (in any
// folder), and a window that does not answer cannot hold us up.
#include <windows.h>

namespace zephrin {

// How long another copy's window may take to answer before we go on without it.
inline constexpr UINT kOtherCopyAnswerMs = 10000;

// The first top-level window of `windowClass` whose process runs a file named `exeName`; null when none.
HWND FindWindowOfProgram(const wchar_t* windowClass, const wchar_t* exeName);
// Sends WM_CLOSE and waits for the window to take it, at most kOtherCopyAnswerMs; false when it did not.
bool CloseWindowInTime(HWND window);

}  // namespace zephrin
