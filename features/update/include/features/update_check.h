#pragma once
// Asking the maker's update server whether a newer version exists, and the
// rule that decides when the 45-day schedule asks again. No windows here:
// the program decides what to show.
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "features/resolve.h"
#include "features/update_reply.h"
#include "platform/identity.h"
#include "platform/timestamps.h"

namespace zephrin {

inline const std::string kUpdateTarget =
    std::string("/downloads/update/?product=zephrin&version=") + kProductVersionAscii;
inline const char kUpdateUserAgent[] = "Mozilla/4.0 (compatible; ORVANE)";

// A stalled server gives up after this long, for connecting and for the exchange.
inline constexpr std::chrono::seconds kUpdateTimeout{30};

// The request's Host field: the port only where it is not HTTP's own.
std::string HttpHostField(const std::string& host, unsigned short port);

// The whole request against host:port: the reply's marker, or -1 on every failure.
// One `timeout` covers resolving and connecting, another the whole exchange.
int CheckForUpdateWith(const std::string& host, unsigned short port, std::chrono::seconds timeout,
                       const Resolver& resolve);
int CheckForUpdateAt(const std::string& host, unsigned short port, std::chrono::seconds timeout);
int CheckForUpdate();
// The system's code pages behind the reply's charset.
std::optional<std::wstring> DecodeWithCodePage(const std::string& charset, const std::string& bytes);

// Whole days between two moments, fraction dropped, sign ignored.
long long WholeDaysBetween(DateTime a, DateTime b);
// Whether the stored last-update text asks for a check now; nullopt when it cannot be read.
std::optional<bool> UpdateCheckDue(const std::wstring& storedUpdatedDate, DateTime now);

}  // namespace zephrin
