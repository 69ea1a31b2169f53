#pragma once
// The outside effects of the windows' handlers: launches, help, sound,
// message boxes and the restart. The program uses the real ones; tests
// record them instead.
#include <windows.h>

#include <functional>
#include <string>

namespace zephrin {

struct Actions {
    std::function<void()> playClick;
    std::function<void(const std::wstring& url)> openUrl;
    std::function<void(const std::wstring& file, const std::wstring& params)> open;
    std::function<void(const std::wstring& file, const std::wstring& params)> openNoOwner;
    std::function<void(const std::wstring& file, const std::wstring& topic)> showHelp;
    std::function<int(HWND owner, const std::wstring& text, const std::wstring& title, UINT style)>
        messageBox;
    std::function<void()> restartWindows;

    // The real effects. Launches are owned by `launchOwner`, the hidden
    // window that stands for the whole program (may be null).
    static Actions Real(HWND launchOwner);
};

}  // namespace zephrin
