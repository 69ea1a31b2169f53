#pragma once
// The outside effects of every window's handlers and of the flows: launches,
// help, sound, message boxes, menus, the Save dialog, the update check and
// the restart. The programs use the real ones; tests record them instead.
#include <windows.h>

#include <functional>
#include <string>

namespace zephrin {

namespace ui {
class PopupMenu;
}

struct Actions {
    std::function<void()> playClick;
    // Pages and documents open as the user who logged on, not with our rights.
    std::function<void(const std::wstring& url)> openUrl;
    std::function<void(const std::wstring& file)> openDocument;
    // Our own programs start by their full path, never through the file
    // associations a user may change; they run elevated as we do.
    std::function<void(const std::wstring& file, const std::wstring& params)> startProgram;
    std::function<void(const std::wstring& file, const std::wstring& topic)> showHelp;
    std::function<int(HWND owner, const std::wstring& text, const std::wstring& title, UINT style)>
        messageBox;
    std::function<void()> restartWindows;
    // Tracks a popup menu with its top-right corner at `at` (screen pixels); the chosen item runs.
    std::function<void(ui::PopupMenu& menu, POINT at)> showMenu;
    // Asks the update server: 0, 1 or 2 for its marker, -1 for anything else.
    std::function<int()> checkForUpdate;
    // The Save dialog for one kind of file; the chosen path, or empty when cancelled.
    std::function<std::wstring(HWND owner, const std::wstring& suggestedName, const std::wstring& kindName,
                               const std::wstring& extension)>
        askFileToSave;

    // The real effects. Launches are owned by `launchOwner`, the hidden
    // window that stands for the whole program (may be null).
    static Actions Real(HWND launchOwner);
};

}  // namespace zephrin
