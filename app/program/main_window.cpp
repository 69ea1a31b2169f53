#include "app/main_window.h"

#include "app/about_window.h"
#include "app/captions.h"
#include "app/changes_window.h"
#include "app/progress_window.h"
#include "app/tuning_flows.h"
#include "app/update_flows.h"
#include "app/window_names.h"
#include "app/windows_list.h"
#include "features/tuning_plan.h"
#include "ui/system_font.h"
#include "platform/identity.h"
#include "platform/program_key.h"
#include "platform/folders.h"
#include "platform/web_pages.h"
#include "platform/timestamps.h"
#include "platform/windows_version.h"

namespace zephrin {

using namespace ui;

namespace n = names::ZPMainForm;

MainWindow::MainWindow(Actions& actions)
    : Form([] {
          FormArgs args;
          args.name = kMainFormName;
          args.className = kMainFormClass;
          args.clientWidth = 764;
          args.clientHeight = 500;
          args.border = BorderKind::MainWindow;
          args.placement = Placement::ScreenCenter;
          return args;
      }()),
      actions_(actions) {
    quitOnClose = true;
    decodeAhead = true;
    fontsAtCreate = false;  // FormCreate prepares the window right after Create
    Build();
    // With the desktop font known before the windows are made, the combo boxes
    // are laid out once, not again when FormCreate prepares the window.
    PrepareFonts(*this);
}

void MainWindow::Build() {
    Add<Picture>(nullptr, n::BackgroundImage.key, L"BACKGROUND")->bounds = {0, 0, 764, 500};
    Picture* logo = Add<Picture>(nullptr, n::TopLogoImage.key, L"LOGO");
    logo->bounds = {8, 16, 400, 50};
    logo->exposed = Component::Exposed::Graphic;
    navButton1_ = Add<Picture>(nullptr, n::NavButton1.key, L"NAVBUTTON1");
    navButton1_->bounds = {672, 16, 78, 27};

    auto label = [this](Container* on, const CaptionKey& name, DesignRect r) {
        Label* l = Add<Label>(on, name.key);
        l->bounds = r;
        return l;
    };
    auto ownFont = [](Label* l, FontSpec f) {
        l->parentFont = false;
        l->font = f;
        return l;
    };
    ownFont(label(nullptr, n::NavLabel2, {16, 98, 0, 0}), Tahoma(10, kBold, kGray));
    Label* links[5] = {};
    const CaptionKey linkNames[] = {n::LinkLabel4, n::LinkLabel5, n::LinkLabel6, n::LinkLabel7, n::LinkLabel8};
    const int linkTops[] = {135, 165, 195, 251, 281};
    for (int i = 0; i < 5; ++i) {
        links[i] = ownFont(label(nullptr, linkNames[i], {16, linkTops[i], 0, 0}), Tahoma(8, 0, kBlack));
        links[i]->cursor = CursorId::HandPoint;
        UnderlineOnHover(links[i], links[i]);
    }
    Picture* navPictures[4] = {navButton1_, nullptr, nullptr, nullptr};
    const CaptionKey navNames[] = {n::NavButton2, n::NavButton3, n::NavButton4};
    const wchar_t* navFaces[] = {L"NAVBUTTON2", L"NAVBUTTON3", L"NAVBUTTON4"};
    const DesignRect navRects[] = {{471, 58, 85, 27}, {556, 58, 108, 27}, {664, 58, 99, 27}};
    for (int i = 0; i < 3; ++i) {
        navPictures[i + 1] = Add<Picture>(nullptr, navNames[i].key, navFaces[i]);
        navPictures[i + 1]->bounds = navRects[i];
    }
    Label* navStatics[4] = {};
    navStatics[1] = ownFont(label(nullptr, n::NavStatic2, {502, 64, 0, 0}), Tahoma(8, kBold, kWhite));
    navStatics[2] = ownFont(label(nullptr, n::NavStatic3, {587, 64, 0, 0}), Tahoma(8, kBold, kWhite));
    navStatics[3] = ownFont(label(nullptr, n::NavStatic4, {695, 64, 0, 0}), Tahoma(8, kBold, kWhite));
    navStatics[0] = ownFont(label(nullptr, n::NavStatic1, {701, 22, 0, 0}), Tahoma(8, 0, kWhite));
    for (int i = 0; i < 4; ++i) {
        for (Component* c : {static_cast<Component*>(navPictures[i]), static_cast<Component*>(navStatics[i])}) {
            c->cursor = CursorId::HandPoint;
            UnderlineOnHover(c, navStatics[i]);
        }
    }
    // After the controls, the keyboard reaches Help, Home, Support and About, then the links.
    for (int i = 0; i < 4; ++i) AddKeyboardItem(navStatics[i], {navPictures[i], navStatics[i]}, false);
    for (Label* link : links) AddKeyboardItem(link, {link}, true);

    mainPanel_ = Add<Panel>(nullptr, n::MainPanel.key);
    mainPanel_->bounds = {182, 91, 582, 388};
    mainPanel_->color = kWindowColor;
    mainPanel_->tabOrder = 0;

    Panel* benefits = Add<Panel>(mainPanel_, n::BenefitsPanel.key);
    benefits->bounds = {0, 0, 582, 65};
    benefits->color = kButtonFace;
    benefits->tabOrder = 6;
    ownFont(label(benefits, n::BenefitsLabel, {16, 6, 0, 0}), Tahoma(8, kBold, kWindowText));
    Label* description = ownFont(label(benefits, n::BenefitsDescription, {16, 25, 550, 36}), Tahoma(8, 0, kGray));
    description->autoSize = false;
    description->wordWrap = true;
    description->centerVertically = true;

    Label* osLabel = label(mainPanel_, n::OSVersionLabel, {16, 76, 0, 0});
    auto* images1 = Add<ImageList>(nullptr, n::ImageList1.key, std::vector<std::wstring>{L"DESKTOP16", L"SERVER16"});
    std::vector<ImageCombo::Row> windowsRows;
    for (const WindowsListRow& row : kWindowsListRows) windowsRows.push_back({row.text, row.picture});
    windowsCombo_ = Add<ImageCombo>(mainPanel_, n::WindowsCombo.key, images1, windowsRows);
    windowsCombo_->bounds = {16, 95, 309, 22};
    windowsCombo_->tabOrder = 2;
    windowsCombo_->labelledBy = osLabel;

    Label* modemLabel = label(mainPanel_, n::ModemTypeLabel, {16, 134, 0, 0});
    auto* images2 = Add<ImageList>(nullptr, n::ImageList2.key, std::vector<std::wstring>{L"CONNECTION16"});
    std::vector<ImageCombo::Row> modemRows;
    for (const ConnectionType& type : kConnectionTypes) modemRows.push_back({type.text, 0});
    modemCombo_ = Add<ImageCombo>(mainPanel_, n::ModemCombo.key, images2, modemRows);
    modemCombo_->bounds = {16, 153, 309, 22};
    modemCombo_->tabOrder = 3;
    modemCombo_->labelledBy = modemLabel;

    Label* speedLabel = label(mainPanel_, n::SpeedLabel, {16, 192, 0, 0});
    speedTrackBar_ = Add<TrackBar>(mainPanel_, n::SpeedTrackBar.key);
    speedTrackBar_->bounds = {16, 211, 309, 55};
    speedTrackBar_->tabOrder = 4;
    speedTrackBar_->labelledBy = speedLabel;
    label(mainPanel_, n::FastLabel, {33, 270, 0, 0});
    Label* faster = label(mainPanel_, n::FasterLabel, {304, 270, 3, 0});  // right edge at x 307
    faster->rightAligned = true;
    Add<Bevel>(mainPanel_, n::LineSeparator1.key, BevelShape::RightLine)->bounds = {360, 102, 2, 183};

    goButton_ = Add<Button>(mainPanel_, n::GoButton.key);
    goButton_->bounds = {400, 95, 145, 52};
    goButton_->parentFont = false;
    goButton_->font = Tahoma(8, kBold, kWindowText);
    goButton_->isDefault = true;
    goButton_->tabOrder = 0;
    defaultButton = goButton_;
    goButton_->onClick = [this] { GoButtonClick(); };

    restoreButton_ = Add<Button>(mainPanel_, n::RestoreButton.key);
    restoreButton_->bounds = {400, 171, 145, 25};
    restoreButton_->startsDisabled = true;
    restoreButton_->tabOrder = 1;
    restoreButton_->onClick = [this] { RestoreButtonClick(); };

    Add<Bevel>(mainPanel_, n::LineSeparator2.key, BevelShape::TopLine)->bounds = {16, 315, 536, 5};
    versionInstalledLabel_ = ownFont(label(mainPanel_, n::VersionInstalledLabel, {16, 336, 0, 0}),
                                     Tahoma(8, kBold, kWindowText));
    updatesButton_ = Add<Button>(mainPanel_, n::UpdatesButton.key);
    updatesButton_->bounds = {400, 336, 154, 33};
    updatesButton_->shield = true;
    updatesButton_->tabOrder = 5;
    updatesButton_->onClick = [this] { UpdatesButtonClick(); };
    softwareLastUpdateLabel_ = label(mainPanel_, n::SoftwareLastUpdateLabel, {16, 355, 0, 0});

    MenuItem* helpItem = Add<MenuItem>(nullptr, n::HelpFilePopup.key);
    MenuItem* separator = Add<MenuItem>(nullptr, n::N1.key, true);
    separator->SetCaption(L"-");
    MenuItem* supportItem = Add<MenuItem>(nullptr, n::TechSupportPopup.key);
    helpItem->onClick = [this] { HelpFilePopupClick(); };
    supportItem->onClick = [this] { NavButton3Click(); };
    popupMenu_ = Add<PopupMenu>(nullptr, n::PopupMenu.key, std::vector<MenuItem*>{helpItem, separator, supportItem});

    // Click targets: pictures, their texts and the link labels share handlers.
    auto click = [this](Component* target, void (MainWindow::*handler)()) {
        target->onClick = [this, handler] { (this->*handler)(); };
    };
    void (MainWindow::*const navigation[4])() = {&MainWindow::NavButton1Click, &MainWindow::NavButton2Click,
                                                   &MainWindow::NavButton3Click, &MainWindow::NavButton4Click};
    for (int i = 0; i < 4; ++i) {
        click(navPictures[i], navigation[i]);
        click(navStatics[i], navigation[i]);
    }
    click(links[2], &MainWindow::NavButton2Click);
    click(links[1], &MainWindow::NavButton3Click);
    click(links[3], &MainWindow::NavButton4Click);
    click(links[0], &MainWindow::HelpFilePopupClick);
    click(links[4], &MainWindow::LinkLabel8Click);
}

void MainWindow::FormCreate() {
    PrepareWindow(*this);
    std::wstring dateText = FormatTimestamp(ReadProgramString(value::kUpdatedDate, L""));
    if (dateText.empty()) dateText = FormatTimestamp(ReadProgramString(value::kInstalledDate, L""));
    const int internetType = ReadProgramInteger(value::kInternetType, 0);
    const int speedSetting = ReadProgramInteger(value::kSpeedSetting, 0);
    const bool restore = ReadProgramBool(value::kRestore, false);
    softwareLastUpdateLabel_->SetCaption(softwareLastUpdateLabel_->caption() + dateText);
    versionInstalledLabel_->SetCaption(versionInstalledLabel_->caption() + kProductVersion);
    windowsCombo_->SetSelected(WindowsListRowFor(GetWindowsVersion()));
    modemCombo_->SetSelected(internetType);
    restoreButton_->SetEnabled(restore);
    speedTrackBar_->SetPosition(speedSetting);
    CheckUpdateSchedule(actions_);  // the last step: nothing follows whether it could run or not
}

void MainWindow::GoButtonClick() {
    if (progress_) RunOptimize(*this, *progress_);
}

void MainWindow::RestoreButtonClick() {
    if (progress_) RunRestore(*this, *progress_);
}

void MainWindow::UpdatesButtonClick() {
    actions_.playClick();
    actions_.startProgram(ProgramFolder() + kUpdaterFile, L"");
}

POINT MainWindow::HelpMenuPosition() const {
    RECT window{}, client{};
    GetWindowRect(Handle(), &window);
    GetClientRect(Handle(), &client);
    const RECT button = navButton1_->PixelRect();
    const int frameW = (window.right - window.left) - client.right;
    const int frameH = (window.bottom - window.top) - client.bottom;
    return POINT{window.left + frameW + button.right, window.top + frameH + button.bottom};
}

void MainWindow::NavButton1Click() {
    actions_.showMenu(*popupMenu_, HelpMenuPosition());
}

void MainWindow::NavButton2Click() {
    actions_.playClick();
    actions_.openUrl(HomePageUrl());
}

void MainWindow::NavButton3Click() {
    actions_.playClick();
    actions_.openUrl(SupportPageUrl());
}

void MainWindow::NavButton4Click() {
    actions_.playClick();
    if (!about_) return;
    about_->SetPlacement(Placement::OwnerCenter);
    about_->ShowModal();
}

void MainWindow::LinkLabel8Click() {
    actions_.playClick();
    if (!changes_) return;
    // Made at its first showing: most runs never open it, and the start waits for every window made before it.
    if (!changes_->Handle()) changes_->Create();
    changes_->SetPlacement(Placement::OwnerCenter);
    changes_->ShowModal();
}

void MainWindow::HelpFilePopupClick() { ShowHelp(); }

void MainWindow::KeyShortCut(UINT keyCode) {
    if (keyCode == VK_F1) ShowHelp();
}

void MainWindow::ShowHelp() {
    const bool anyVisible = (about_ && about_->Visible()) || (progress_ && progress_->Visible()) ||
                            (changes_ && changes_->Visible()) || Visible();
    if (anyVisible) actions_.showHelp(kHelpFile, kHelpTopic);
}

}  // namespace zephrin
