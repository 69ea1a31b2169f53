#include "app/about_window.h"

#include "app/captions.h"
#include "app/main_window.h"
#include "app/window_names.h"
#include "ui/system_font.h"
#include "platform/identity.h"
#include "platform/folders.h"

namespace zephrin {

using namespace ui;

AboutWindow::AboutWindow(MainWindow& main, Actions& actions)
    : Form(FormArgs{kAboutFormName, kAboutFormClass, 700, 441, BorderKind::Dialog,
                    Placement::OwnerCenter, kButtonFace, false, &main}),
      main_(main),
      actions_(actions) {
    Add<Bevel>(nullptr, L"AboutBevel", BevelShape::TopLine)->bounds = {0, 386, 700, 5};
    Panel* panel = Add<Panel>(nullptr, L"AboutPanel");
    panel->bounds = {0, 0, 700, 386};
    panel->color = kWindowColor;
    panel->tabOrder = 1;
    closeButton_ = Add<Button>(nullptr, L"CloseButton");
    closeButton_->bounds = {608, 403, 79, 25};
    closeButton_->isDefault = true;
    closeButton_->tabOrder = 0;
    closeButton_->onClick = [this] { EndModal(IDOK); };
    defaultButton = closeButton_;
    Button* help = Add<Button>(nullptr, L"HelpButton");
    help->bounds = {14, 403, 79, 25};
    help->tabOrder = 2;
    help->onClick = [this] { HelpButtonClick(); };

    Picture* icon = Add<Picture>(panel, L"LargeIcon", L"PRODUCTICON");
    icon->bounds = {372, 130, 256, 256};
    icon->exposed = Component::Exposed::Graphic;
    auto tahoma = [](int pt, unsigned style, Color color) {
        FontSpec f;
        f.name = L"Tahoma";
        f.sizePt = pt;
        f.style = style;
        f.color = color;
        return f;
    };
    versionLabel_ = Add<Label>(panel, L"VersionLabel");
    versionLabel_->bounds = {72, 82, 0, 0};
    versionLabel_->parentFont = false;
    versionLabel_->font = tahoma(10, kBold, kWindowText);
    Add<Label>(panel, L"CopyrightLabel")->bounds = {72, 101, 0, 0};
    Label* license = Add<Label>(panel, L"LicenseAgreementLabel");
    license->bounds = {72, 287, 0, 0};
    license->parentFont = false;
    license->font = tahoma(8, 0, RGB(0, 102, 204));
    license->cursor = CursorId::HandPoint;
    license->onClick = [this] { LicenseAgreementLabelClick(); };
    AddKeyboardItem(license, {license}, true);
    license->onMouseEnter = [license] { license->SetFontStyle(license->font.style | kUnderline); };
    license->onMouseLeave = [license] { license->SetFontStyle(license->font.style & ~kUnderline); };
    Label* warning = Add<Label>(panel, L"CopyrightWarningLabel");
    warning->bounds = {72, 302, 556, 70};
    warning->autoSize = false;
    warning->wordWrap = true;
    warning->centerVertically = true;
    Add<Picture>(panel, L"BannerImage", L"BANNER")->bounds = {0, 0, 700, 60};
    Label* banner = Add<Label>(panel, L"BannerLabel");
    banner->bounds = {48, 18, 0, 0};
    banner->parentFont = false;
    banner->font = tahoma(12, kBold, kWhite);
    Memo* memo = Add<Memo>(panel, L"LicensedMemo");
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
