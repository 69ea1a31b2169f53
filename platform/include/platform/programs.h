#pragma once
// Our own programs, started by their full path and never through the
// file associations a user may change.
#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace zephrin {

// Starts a program directly, without the shell's file associations; its
// process handle, or an empty one when it could not start.
UniqueHandle StartProgram(const std::wstring& file, const std::wstring& parameters);

// Starts `file`, which `verified` holds open without write or delete
// sharing, and makes sure that what runs is that file: where the system can
// tell (Vista on), the process starts suspended and is ended unstarted when
// its image is not the file the handle holds. Elsewhere the held handle and
// its folder's access list are what keep it the same.
UniqueHandle StartVerifiedProgram(HANDLE verified, const std::wstring& file, const std::wstring& parameters);
// Whether two full paths name the same file, in the forms the system gives
// them: a handle's final path (\\?\ and \\?\UNC\) and a process image's path.
bool SamePathName(const std::wstring& a, const std::wstring& b);

}  // namespace zephrin
