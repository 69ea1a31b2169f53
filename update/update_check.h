#pragma once
// Asking the maker's update server for a newer version, the update-check
// mode of a second copy of the program, and the 45-day schedule.
#include <chrono>
#include <optional>
#include <string>

#include "app/actions.h"
#include "settings/timestamps.h"

namespace zephrin {

inline const wchar_t kCheckUpdateArgument[] = L"/checkupdate";
inline const char kUpdateTarget[] = "/downloads/update/?product=zephrin&version=7.8.18.2014";
inline const char kUpdateUserAgent[] = "Mozilla/4.0 (compatible; ORVANE)";

// 0, 1 or 2 for the first marker found in that order; -1 for none.
int FindUpdateMarker(const std::wstring& replyText);

// A stalled server gives up after this long, for connecting and for the exchange.
inline constexpr std::chrono::seconds kUpdateTimeout{30};

// The whole request against host:port; -1 on every failure.
int CheckForUpdateAt(const std::string& host, unsigned short port, std::chrono::seconds timeout);
int CheckForUpdate();
// Body bytes to text by the reply's charset, else ISO-8859-1.
std::wstring DecodeReplyBody(const std::string& bytes, const std::string& contentType);

// Whole days between two moments, fraction dropped, sign ignored.
long long WholeDaysBetween(DateTime a, DateTime b);
// Whether the stored last-update text asks for a check now; nullopt when it cannot be read.
std::optional<bool> UpdateCheckDue(const std::wstring& storedUpdatedDate, DateTime now);

// Closes the running copy and asks about the update when one is available.
void RunUpdateCheckMode(const Actions& actions, int (*check)() = &CheckForUpdate);
// Throws when the stored date cannot be used, which ends the caller's creation sequence.
void CheckUpdateSchedule(const Actions& actions);

}  // namespace zephrin
