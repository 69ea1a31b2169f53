#include "app/actions.h"

#include "shell/shell.h"
#include "tuning/restart.h"

namespace zephrin {

Actions Actions::Real() {
    Actions a;
    a.playClick = [] { PlayClickSound(); };
    a.openUrl = [](const std::wstring& url) { ShellOpenURL(url); };
    a.open = [](const std::wstring& f, const std::wstring& p) { ShellOpen(f, p); };
    a.openNoOwner = [](const std::wstring& f, const std::wstring& p) { ShellOpenNoOwner(f, p); };
    a.showHelp = [](const std::wstring& f, const std::wstring& t) { ShowHelpTopic(f, t); };
    a.messageBox = [](HWND owner, const std::wstring& text, const std::wstring& title, UINT style) {
        return MessageBoxW(owner, text.c_str(), title.c_str(), style);
    };
    a.restartWindows = [] { RestartWindows(); };
    return a;
}

}  // namespace zephrin
