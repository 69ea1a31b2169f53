#pragma once
// "Zephrin.exe /report FILE": the "What Zephrin changes" table for
// administrators, as UTF-8 JSON, without a window and without writing
// anything but FILE.
#include <string>

namespace zephrin {

inline constexpr wchar_t kReportArgument[] = L"/report";
inline constexpr int kReportWritten = 0;
inline constexpr int kReportNotWritten = 1;  // no file is left behind
int RunReportCommand(const std::wstring& file);

}  // namespace zephrin
