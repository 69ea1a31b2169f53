#pragma once
// The folders the program works with, from the system's own records.
#include <windows.h>

#include <string>

namespace zephrin {

// The folder of the running program file, with its trailing separator.
std::wstring ProgramFolder();

// The system's folder for data of all users (ProgramData), with its trailing
// separator: from the shell's known folder, never from the environment, which
// the user sets. Empty when the shell cannot say.
std::wstring CommonDataFolder();

}  // namespace zephrin
