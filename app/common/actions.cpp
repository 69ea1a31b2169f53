#include "app/actions.h"

#include <memory>

#include "platform/restart.h"
#include "ui/toolkit.h"
#include "platform/desktop_open.h"
#include "platform/help_viewer.h"
#include "platform/programs.h"
#include "platform/save_dialog.h"
#include "platform/sound.h"

namespace zephrin {

Actions Actions::Real(HWND launchOwner) {
    Actions a;
    // The help library stays loaded from the first request to the end of the run.
    auto viewer = std::make_shared<HelpViewer>();
    a.playClick = [] { PlayClickSound(); };
    a.openUrl = [launchOwner](const std::wstring& url) { OpenForDesktopUser(launchOwner, url); };
    a.openDocument = [launchOwner](const std::wstring& f) { OpenForDesktopUser(launchOwner, f); };
    a.startProgram = [](const std::wstring& f, const std::wstring& p) { StartProgram(f, p); };
    a.showHelp = [viewer](const std::wstring& f, const std::wstring& t) { viewer->ShowTopic(f, t); };
    a.messageBox = [](HWND owner, const std::wstring& text, const std::wstring& title, UINT style) {
        return MessageBoxW(owner, text.c_str(), title.c_str(), style);
    };
    a.restartWindows = [] { RestartWindows(); };
    a.showMenu = [](ui::PopupMenu& menu, POINT at) { menu.Popup(at.x, at.y); };
    a.askFileToSave = [](HWND owner, const std::wstring& name, const std::wstring& kind, const std::wstring& ext) {
        return AskFileToSave(owner, name, kind, ext);
    };
    return a;
}

}  // namespace zephrin
