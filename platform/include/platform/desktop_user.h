#pragma once
// Whose per-user settings are meant. We run as an administrator; when the
// user who logged on gave another administrator's password to start us,
// HKEY_CURRENT_USER is that other account's, and the desktop user's own
// settings lie in HKEY_USERS under their security identifier. A management
// tool runs us as SYSTEM, with no desktop at all: then the person is the one
// logged on at the console, or nobody.
#include <windows.h>

#include <string>

#include "platform/handles.h"
#include "platform/registry.h"

namespace zephrin {

// The owner of the per-user settings an operation means.
struct PerUser {
    enum class Whose { Ours, Other, Nobody };
    Whose whose = Whose::Ours;
    std::wstring sid;  // Other: theirs ("S-1-5-21-..."); Ours: empty, our own token's

    PerUser() = default;
    // Empty: our own; else the user of that security identifier.
    PerUser(std::wstring otherSid) : whose(otherSid.empty() ? Whose::Ours : Whose::Other), sid(std::move(otherSid)) {}
    PerUser(const wchar_t* otherSid) : PerUser(std::wstring(otherSid ? otherSid : L"")) {}
    static PerUser Nobody() {
        PerUser p;
        p.whose = Whose::Nobody;
        return p;
    }
    bool nobody() const { return whose == Whose::Nobody; }
    // The security identifier of the hive's owner; empty for nobody or when it cannot be read.
    std::wstring Sid() const;
};

// Our own account's security identifier; empty when it cannot be read.
std::wstring OwnSid();
// The owner of a security identifier's hive as an operation names it: our own
// when it is ours (HKEY_CURRENT_USER), nobody when empty, else that user.
PerUser PerUserOf(const std::wstring& sid);

// The desktop user's security identifier ("S-1-5-21-..."), when that user is
// not the one we run as; empty when they are the same or it cannot be told,
// and HKEY_CURRENT_USER is then theirs.
std::wstring OtherDesktopUserSid();

// For the windows: the user of the desktop they show on.
PerUser DesktopUser();
// For the commands: the desktop's user where we run on a desktop that has a
// shell; else (as SYSTEM, say) the user logged on at the console; else nobody.
PerUser ConsoleUser();

// Whether we run with exactly the rights of the user who logged on to this
// desktop: not elevated above them, and not as another account. So it is on
// Windows 2000 and XP when that user started us, and with UAC turned off.
// Only then may a page or document be opened with our own rights and the
// file associations of our own hive, which that user may have set.
bool HasDesktopUsersOwnRights();

// Where a key of HKEY_CURRENT_USER lies for `user`: HKEY_CURRENT_USER itself
// for our own, their hive in HKEY_USERS for another; a place without a root
// for nobody. Either way a key of the user's own, opened without following links.
KeyPlace UserKeyPlace(const PerUser& user, const std::wstring& path);

// A user's hive, present in HKEY_USERS for as long as this lives: as it is
// when the user is logged on, otherwise loaded from their profile and
// unloaded again at the end.
class HeldUserHive {
public:
    explicit HeldUserHive(const PerUser& user);
    ~HeldUserHive();
    HeldUserHive(const HeldUserHive&) = delete;
    HeldUserHive& operator=(const HeldUserHive&) = delete;
    // False when the user's hive could be neither found nor loaded.
    bool present() const { return present_; }

private:
    std::wstring loaded_;  // the key name under HKEY_USERS that we loaded, to unload
    bool present_ = false;
};

}  // namespace zephrin
