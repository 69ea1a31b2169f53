#pragma once
// Whose per-user settings are meant. We run as an administrator; when the
// user who logged on gave another administrator's password to start us,
// HKEY_CURRENT_USER is that other account's, and the desktop user's own
// settings lie in HKEY_USERS under their security identifier.
#include <windows.h>

#include <string>

#include "platform/registry.h"

namespace zephrin {

// The desktop user's security identifier ("S-1-5-21-..."), when that user is
// not the one we run as; empty when they are the same or it cannot be told,
// and HKEY_CURRENT_USER is then theirs.
std::wstring OtherDesktopUserSid();

// Whether we run with exactly the rights of the user who logged on to this
// desktop: not elevated above them, and not as another account. So it is on
// Windows 2000 and XP when that user started us, and with UAC turned off.
// Only then may a page or document be opened with our own rights and the
// file associations of our own hive, which that user may have set.
bool HasDesktopUsersOwnRights();

// Where a key of HKEY_CURRENT_USER lies for the user `sid` names: their own
// hive, or HKEY_CURRENT_USER itself when `sid` is empty.
KeyPlace UserKeyPlace(const std::wstring& sid, const std::wstring& path);

}  // namespace zephrin
