#include "platform/trace.h"

#include <windows.h>

#include <string>

namespace zephrin {

void TraceSwallowed(const wchar_t* what) {
    const std::wstring line = std::wstring(L"Zephrin: ") + (what ? what : L"") + L" (swallowed)\n";
    OutputDebugStringW(line.c_str());
}

}  // namespace zephrin
