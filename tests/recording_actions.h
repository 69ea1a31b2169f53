#pragma once
// Actions that record what the windows asked for instead of doing it.
#include <string>
#include <vector>

#include "app/actions.h"

namespace zephrin::test {

struct Recorder {
    std::vector<std::wstring> log;  // "click", "url:<u>", "open:<f>|<p>", "run:<f>|<p>", "help:<f>|<t>", "save:<name>|<kind>|<ext>", ...
    std::vector<int> answers;       // message box answers, used in order
    struct Box {
        HWND owner;
        std::wstring text, title;
        UINT style;
    };
    std::vector<Box> boxes;
    std::wstring saveAs;  // what the Save dialog answers; empty: cancelled
    std::vector<POINT> menus;  // where menus were shown, their top-right corners
    int updateResult = -1;     // what the update server says

    Actions Make() {
        Actions a;
        a.playClick = [this] { log.push_back(L"click"); };
        a.openUrl = [this](const std::wstring& u) { log.push_back(L"url:" + u); };
        a.openDocument = [this](const std::wstring& f) { log.push_back(L"open:" + f + L"|"); };
        a.startProgram = [this](const std::wstring& f, const std::wstring& p) {
            log.push_back(L"run:" + f + L"|" + p);
        };
        a.showHelp = [this](const std::wstring& f, const std::wstring& t) { log.push_back(L"help:" + f + L"|" + t); };
        a.messageBox = [this](HWND owner, const std::wstring& text, const std::wstring& title, UINT style) {
            boxes.push_back({owner, text, title, style});
            log.push_back(L"box");
            if (answers.empty()) return IDNO;
            const int a = answers.front();
            answers.erase(answers.begin());
            return a;
        };
        a.restartWindows = [this] { log.push_back(L"restart"); };
        a.showMenu = [this](ui::PopupMenu&, POINT at) { menus.push_back(at); };
        a.checkForUpdate = [this] { return updateResult; };
        a.askFileToSave = [this](HWND, const std::wstring& name, const std::wstring& kind, const std::wstring& ext) {
            log.push_back(L"save:" + name + L"|" + kind + L"|" + ext);
            return saveAs;
        };
        return a;
    }
};

}  // namespace zephrin::test
