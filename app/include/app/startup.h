#pragma once
// The program's start-up sequence, from unit set-up to the end of the message loop.
#include <string>

namespace zephrin {

// ASCII-only lower-casing of the first argument, compared whole with "/checkupdate".
bool IsCheckUpdateArgument(const std::wstring& firstArgument);
std::wstring FirstArgument(const wchar_t* commandLine);

int RunProgram(const wchar_t* commandLine);

}  // namespace zephrin
