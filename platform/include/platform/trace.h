#pragma once
// The user is never troubled with a failure the program can live with, and
// the program writes no log. A developer with a debugger attached still
// hears of each one: a line on the debugger's output, nothing else.
namespace zephrin {

// "Zephrin: <what> (swallowed)" for a debugger, and nothing for anyone else.
void TraceSwallowed(const wchar_t* what);

}  // namespace zephrin
