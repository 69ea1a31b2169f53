#include "app/about_window.h"

#include "app/captions.h"
#include "app/main_window.h"
#include "app/window_names.h"
#include "ui/system_font.h"
#include "platform/identity.h"
#include "platform/folders.h"

namespace zephrin {

using namespace ui;

namespace a = names::ZPAboutForm;

AboutWindow::AboutWindow(MainWindow& main, Actions& actions)
    : Form([&main] {
          FormArgs args;
          args.name = kAboutFormName;
          args.className = kAboutFormClass;
          args.clientWidth = 700;
          args.clientHeight = 441;
          args.border = BorderKind::Dialog;
          args.placement = Placement::OwnerCenter;
          args.owner = &main;
          return args;
      }()),
      main_(main),
      actions_(actions) {
    Add<Bevel>(nullptr, a::AboutBevel.key, BevelShape::TopLine)->bounds = {0, 386, 700, 5};
    Panel* panel = Add<Panel>(nullptr, a::AboutPanel.key);
    panel->bounds = {0, 0, 700, 386};
    panel->color = kWindowColor;
    panel->tabOrder = 1;
    closeButton_ = Add<Button>(nullptr, a::CloseButton.key);
    closeButton_->bounds = {608, 403, 79, 25};
    closeButton_->isDefault = true;
    closeButton_->tabOrder = 0;
    closeButton_->onClick = [this] { EndModal(IDOK); };
    defaultButton = closeButton_;
    Button* help = Add<Button>(nullptr, a::HelpButton.key);
    help->bounds = {14, 403, 79, 25};
    help->tabOrder = 2;
    help->onClick = [this] { HelpButtonClick(); };

    Picture* icon = Add<Picture>(panel, a::LargeIcon.key, L"PRODUCTICON");
    icon->bounds = {372, 130, 256, 256};
    icon->exposed = Component::Exposed::Graphic;
    icon->keepInHighContrast = true;
    versionLabel_ = Add<Label>(panel, a::VersionLabel.key);
    versionLabel_->bounds = {72, 82, 0, 0};
    versionLabel_->parentFont = false;
    versionLabel_->font = Tahoma(10, kBold, kWindowText);
    Add<Label>(panel, a::CopyrightLabel.key)->bounds = {72, 101, 0, 0};
    Label* license = Add<Label>(panel, a::LicenseAgreementLabel.key);
    license->bounds = {72, 287, 0, 0};
    license->parentFont = false;
    license->font = Tahoma(8, 0, RGB(0, 102, 204));
    license->cursor = CursorId::HandPoint;
    license->onClick = [this] { LicenseAgreementLabelClick(); };
    AddKeyboardItem(license, {license}, true);
    UnderlineOnHover(license, license);
    Label* warning = Add<Label>(panel, a::CopyrightWarningLabel.key);
    warning->bounds = {72, 302, 556, 70};
    warning->autoSize = false;
    warning->wordWrap = true;
    warning->centerVertically = true;
    Add<Picture>(panel, a::BannerImage.key, L"BANNER")->bounds = {0, 0, 700, 60};
    Label* banner = Add<Label>(panel, a::BannerLabel.key);
    banner->bounds = {48, 18, 0, 0};
    banner->parentFont = false;
    banner->font = Tahoma(12, kBold, kWhite);
    Memo* memo = Add<Memo>(panel, a::LicensedMemo.key);
    memo->bounds = {72, 136, 556, 73};
    memo->tabOrder = 0;

    onShow = [this] { FormShow(); };
    fontsAtCreate = false;  // prepared each time it is shown
    PrepareFonts(*this);
}

void AboutWindow::FormShow() {
    PrepareWindow(*this);
    versionLabel_->SetCaption(versionLabel_->caption() + kProductVersion + L")");
    if (closeButton_->Handle()) SetFocus(closeButton_->Handle());
}

void AboutWindow::HelpButtonClick() { main_.ShowHelp(); }

void AboutWindow::LicenseAgreementLabelClick() {
    actions_.playClick();
    actions_.openDocument(ProgramFolder() + kLicenseFile);
}

}  // namespace zephrin
