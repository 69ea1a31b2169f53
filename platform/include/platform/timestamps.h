#pragma once
// Points in time as the program key stores them: decimal seconds since
// 1970-01-01 00:00:00, both ends taken as local wall-clock time.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace zephrin {

// A date-time as a day count since 1899-12-30 00:00, the time of day as the fraction.
using DateTime = double;

constexpr double kUnixEpochDay = 25569.0;
constexpr double kSecondsPerDay = 86400.0;

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day);

DateTime DateTimeFromSystemTime(const SYSTEMTIME& st);
SYSTEMTIME SystemTimeFromDateTime(DateTime dt);
DateTime CurrentLocalDateTime();

// Moments past the 32-bit range saturate instead of wrapping around.
int32_t TimestampFromDateTime(DateTime dt);
DateTime DateTimeFromTimestamp(int32_t seconds);
std::wstring CurrentTimestampString();

// Strict decimal reading of a 32-bit signed number.
std::optional<int32_t> ParseTimestamp(const std::wstring& text);

std::wstring TimestampToDateText(const std::wstring& text);
// Reads a date-and-time text the way the user's locale writes it.
std::optional<DateTime> ParseLocalDateText(const std::wstring& text);
std::wstring FormatTimestamp(const std::wstring& text);

}  // namespace zephrin
