#pragma once
// The outside effects of the windows' handlers: launches, help, sound,
// message boxes, the Save dialog and the restart. The program uses the real ones; tests
// record them instead.
#include <windows.h>

#include <functional>
#include <string>

namespace zephrin {

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
    // The Save dialog for one kind of file; the chosen path, or empty when cancelled.
    std::function<std::wstring(HWND owner, const std::wstring& suggestedName, const std::wstring& kindName,
                               const std::wstring& extension)>
        askFileToSave;

    // The real effects. Launches are owned by `launchOwner`, the hidden
    // window that stands for the whole program (may be null).
    static Actions Real(HWND launchOwner);
};

}  // namespace zephrin
