#pragma once
// Pages and documents opened as the user who logged on, never with our rights.
#include <windows.h>

#include <functional>
#include <string>

namespace zephrin {

// Opens a page or document as the user who logged on, through the desktop's
// own shell, so that nothing we open runs with our rights. Where the shell
// cannot be asked so (it has ended), our own shell call opens it, owned by
// `owner` (may be null), but only when our rights are that user's own
// (HasDesktopUsersOwnRights); otherwise nothing is opened.
void OpenForDesktopUser(HWND owner, const std::wstring& file);
// The same rule, given the desktop shell's open (false when it could not be
// asked) and the answer about our rights.
void OpenForDesktopUser(HWND owner, const std::wstring& file, const std::function<bool(const std::wstring&)>& desktopShell,
                        bool ownRightsAreTheDesktopUsers);

}  // namespace zephrin
