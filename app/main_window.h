#pragma once
// The main window: the Windows version, the connection type and speed level,
// the installed version and last update, the three action buttons and the
// navigation to help, the maker's pages and the About window.
#include "app/actions.h"
#include "ui/toolkit.h"

namespace zephrin {

class AboutWindow;
class SettingsWindow;

inline const wchar_t kVersionText[] = L"7.8.18.2014";

class MainWindow : public ui::Form {
public:
    explicit MainWindow(Actions& actions);

    // Windows created after this one that the handlers reach.
    void SetSiblings(AboutWindow* about, SettingsWindow* settings) {
        about_ = about;
        settings_ = settings;
    }

    // The creation sequence; runs inside Create(). Exposed for tests that re-run it.
    void FormCreate();

    void GoButtonClick();
    void RestoreButtonClick();
    void UpdatesButtonClick();
    void NavButton1Click();
    void NavButton2Click();
    void NavButton3Click();
    void NavButton4Click();
    void HelpFilePopupClick();
    void ApplicationEventsShortCut(UINT keyCode, bool& handled);
    void NavButtonMouseEnter(ui::Component* sender);
    void NavButtonMouseLeave(ui::Component* sender);
    void LabelMouseEnter(ui::Component* sender);
    void LabelMouseLeave(ui::Component* sender);

    // Where the help menu hangs: screen point of its top-right corner.
    POINT HelpMenuPosition() const;

    ui::ImageCombo* modemCombo() const { return modemCombo_; }
    ui::ImageCombo* windowsCombo() const { return windowsCombo_; }
    ui::TrackBar* speedTrackBar() const { return speedTrackBar_; }
    ui::Button* restoreButton() const { return restoreButton_; }
    ui::Button* goButton() const { return goButton_; }
    ui::Button* updatesButton() const { return updatesButton_; }
    ui::PopupMenu* popupMenu() const { return popupMenu_; }
    Actions& actions() { return actions_; }
    SettingsWindow* settings() const { return settings_; }

    // When set, the help popup reports its position here instead of tracking a menu.
    std::function<void(POINT)> popupOverride;

private:
    void Build();
    void WireHover(ui::Component* c, bool navigation);

    Actions& actions_;
    AboutWindow* about_ = nullptr;
    SettingsWindow* settings_ = nullptr;

    ui::Picture* navButton1_ = nullptr;
    ui::Panel* mainPanel_ = nullptr;
    ui::ImageCombo* windowsCombo_ = nullptr;
    ui::ImageCombo* modemCombo_ = nullptr;
    ui::TrackBar* speedTrackBar_ = nullptr;
    ui::Button* goButton_ = nullptr;
    ui::Button* restoreButton_ = nullptr;
    ui::Button* updatesButton_ = nullptr;
    ui::Label* versionInstalledLabel_ = nullptr;
    ui::Label* softwareLastUpdateLabel_ = nullptr;
    ui::PopupMenu* popupMenu_ = nullptr;
};

}  // namespace zephrin
