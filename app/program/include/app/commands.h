#pragma once
// The commands for administrators and management tools: Zephrin.exe with a
// switch and no window. Their exit codes are the ones installers use, so that
// Intune, Configuration Manager and scripts read them as they read an
// installation's; they show nothing and write no log.
#include <string>

#include "platform/desktop_user.h"
#include "platform/handles.h"

namespace zephrin {

namespace exit_code {
inline constexpr int kSuccess = 0;            // nothing was changed, or nothing needed changing
inline constexpr int kNotCompliant = 1;       // /check: the values are not what /optimize writes
inline constexpr int kBadArguments = 87;      // ERROR_INVALID_PARAMETER: TYPE or LEVEL missing or unknown
inline constexpr int kFailed = 1603;          // ERROR_INSTALL_FAILURE: something could not be written or put back
inline constexpr int kBusy = 1618;            // ERROR_INSTALL_ALREADY_RUNNING: Zephrin is open, or another command runs
inline constexpr int kRestartNeeded = 3010;   // ERROR_SUCCESS_REBOOT_REQUIRED: values changed; a restart makes them active
}  // namespace exit_code

inline constexpr wchar_t kOptimizeArgument[] = L"/optimize";
inline constexpr wchar_t kCheckArgument[] = L"/check";
inline constexpr wchar_t kRestoreArgument[] = L"/restore";

// Held while Zephrin's window is open. A command run as SYSTEM sits in another
// session and cannot see the window; it sees this name in the global namespace.
class OpenWindowMark {
public:
    OpenWindowMark();

private:
    UniqueHandle mutex_;
};

// Whose per-user values a command means: the console's user (or the desktop's,
// on a desktop), or, in a build for the tests, the one the test names: Wine has
// one user and no SYSTEM session.
PerUser CommandUser();

// What the Optimize now button does for a connection type's id and a speed
// level's ("boost", "max"), in any ASCII case: the same backup, the same
// program-key values, the same writes; no window, no steps, no sound, no question.
int RunOptimizeCommand(const std::wstring& type, const std::wstring& level);
// Whether the computer holds what /optimize TYPE LEVEL writes; writes nothing.
int RunCheckCommand(const std::wstring& type, const std::wstring& level);
// What Restore does, each user's per-user originals into that user's own hive.
int RunRestoreCommand();

}  // namespace zephrin
