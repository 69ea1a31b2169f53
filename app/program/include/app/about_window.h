#pragma once
// The About window: version, copyright, credits, the licence link and a
// legal warning, with Help and Close. Prepared anew at every showing.
#include "app/actions.h"
#include "ui/toolkit.h"

namespace zephrin {

class MainWindow;

class AboutWindow : public ui::Form {
public:
    AboutWindow(MainWindow& main, Actions& actions);

    void HelpButtonClick();
    void LicenseAgreementLabelClick();

    ui::Label* versionLabel() const { return versionLabel_; }
    ui::Button* closeButton() const { return closeButton_; }

private:
    void FormShow();

    MainWindow& main_;
    Actions& actions_;
    ui::Label* versionLabel_ = nullptr;
    ui::Button* closeButton_ = nullptr;
};

}  // namespace zephrin
