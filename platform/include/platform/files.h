#pragma once
// Whole files read and written in one go, for the small files the program
// keeps or reports in.
#include <string>

namespace zephrin {

// The bytes of a file in the system folder as 64-bit Windows has it: a 32-bit
// program is otherwise shown the 32-bit folder in its place. Empty when the
// file is missing, unreadable or larger than `limit`.
std::string ReadNativeSystemFile(const wchar_t* file, size_t limit);
// Writes `bytes` as the whole of `path`, replacing what was there; true only
// when every byte is in place. On failure nothing is left of the new file and
// a file that was there before is untouched.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);

}  // namespace zephrin
