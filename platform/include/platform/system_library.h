#pragma once
// System libraries loaded at run time from the system folder alone, and the
// search for libraries narrowed for everything loaded later.
#include <windows.h>

#include <string>

namespace zephrin {

// Takes the program's own folder and the current folder out of the search
// for libraries loaded from now on: we run elevated, possibly from a Downloads
// folder where anything may lie beside us. Called first thing by both programs.
void RestrictLibrarySearch();

// How a library is loaded by its full path: its own dependencies come from
// the system folder alone where Windows can be told so; elsewhere from the
// library's folder first, as LOAD_WITH_ALTERED_SEARCH_PATH has it (the
// current folder is out of the search from the start, RestrictLibrarySearch).
DWORD SystemLibraryLoadFlags();
// Null when it cannot be loaded.
HMODULE LoadLibraryAt(const std::wstring& path);

// A file in the system folder. System libraries that are loaded by name come
// from there, never from the search path: we run elevated.
std::wstring SystemFilePath(const wchar_t* file);

// A function of a system library, which is loaded from the system folder at
// its first use, not with the program: a run that never needs it does not pay
// for it. Once loaded it stays, since it may still be working for us on its
// own threads. Null when the library or the function is missing.
FARPROC SystemProcedure(const wchar_t* library, const char* name);
template <typename F>
F* SystemFunction(const wchar_t* library, const char* name) {
    return reinterpret_cast<F*>(reinterpret_cast<void*>(SystemProcedure(library, name)));
}

}  // namespace zephrin
