#pragma once
// The main window: the Windows version, the connection type and speed level,
// the installed version and last update, the three action buttons and the
// navigation to help, the maker's pages and the About window.
#include "app/actions.h"
#include "ui/toolkit.h"

namespace zephrin {

class AboutWindow;
class ChangesWindow;
class ProgressWindow;

class MainWindow : public ui::Form {
public:
    explicit MainWindow(Actions& actions);

    // Windows created after this one that the handlers reach.
    void SetSiblings(AboutWindow* about, ProgressWindow* progress, ChangesWindow* changes) {
        about_ = about;
        progress_ = progress;
        changes_ = changes;
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
    void LinkLabel8Click();
    void HelpFilePopupClick();
    // Every key press of the program's windows passes here first.
    void KeyShortCut(UINT keyCode);
    // F1: help, while any window of the program is visible.
    void ShowHelp();

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
    ProgressWindow* progress() const { return progress_; }


private:
    void Build();

    Actions& actions_;
    AboutWindow* about_ = nullptr;        // owned by the program, made after this window
    ProgressWindow* progress_ = nullptr;  // the same
    ChangesWindow* changes_ = nullptr;    // the same; its window is made at its first showing

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
