#include "app/main_window.h"

#include "app/about_window.h"
#include "app/captions.h"
#include "app/changes_window.h"
#include "app/progress_window.h"
#include "app/tuning_flows.h"
#include "app/update_flows.h"
#include "app/window_names.h"
#include "ui/system_font.h"
#include "platform/identity.h"
#include "platform/program_key.h"
#include "platform/folders.h"
#include "platform/web_pages.h"
#include "platform/timestamps.h"
#include "platform/windows_version.h"

namespace zephrin {

using namespace ui;

namespace {

FontSpec TahomaFont(int sizePt, unsigned style, Color color) {
    FontSpec f;
    f.name = L"Tahoma";
    f.sizePt = sizePt;
    f.style = style;
    f.color = color;
    return f;
}

}  // namespace

MainWindow::MainWindow(Actions& actions)
    : Form(FormArgs{kMainFormName, kMainFormClass, 764, 500, BorderKind::MainWindow,
                    Placement::ScreenCenter, kButtonFace, false, nullptr}),
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
    Add<Picture>(nullptr, L"BackgroundImage", L"BACKGROUND")->bounds = {0, 0, 764, 500};
    Picture* logo = Add<Picture>(nullptr, L"TopLogoImage", L"LOGO");
    logo->bounds = {8, 16, 400, 50};
    logo->exposed = Component::Exposed::Graphic;
    navButton1_ = Add<Picture>(nullptr, L"NavButton1", L"NAVBUTTON1");
    navButton1_->bounds = {672, 16, 78, 27};

    auto label = [this](Container* on, const wchar_t* name, DesignRect r) {
        Label* l = Add<Label>(on, name);
        l->bounds = r;
        return l;
    };
    auto ownFont = [](Label* l, FontSpec f) {
        l->parentFont = false;
        l->font = f;
        return l;
    };
    ownFont(label(nullptr, L"NavLabel2", {16, 98, 0, 0}), TahomaFont(10, kBold, kGray));
    for (auto [name, top] : {std::pair{L"LinkLabel4", 135}, {L"LinkLabel5", 165},
                             {L"LinkLabel6", 195}, {L"LinkLabel7", 251}, {L"LinkLabel8", 281}}) {
        Label* l = ownFont(label(nullptr, name, {16, top, 0, 0}), TahomaFont(8, 0, kBlack));
        l->cursor = CursorId::HandPoint;
        UnderlineOnHover(l, l);
    }
    const wchar_t* navFaces[] = {L"NAVBUTTON2", L"NAVBUTTON3", L"NAVBUTTON4"};
    const DesignRect navRects[] = {{471, 58, 85, 27}, {556, 58, 108, 27}, {664, 58, 99, 27}};
    Picture* navPictures[4] = {navButton1_, nullptr, nullptr, nullptr};
    for (int i = 0; i < 3; ++i) {
        navPictures[i + 1] = Add<Picture>(nullptr, L"NavButton" + std::to_wstring(i + 2), navFaces[i]);
        navPictures[i + 1]->bounds = navRects[i];
    }
    Label* navStatics[4] = {};
    navStatics[1] = ownFont(label(nullptr, L"NavStatic2", {502, 64, 0, 0}), TahomaFont(8, kBold, kWhite));
    navStatics[2] = ownFont(label(nullptr, L"NavStatic3", {587, 64, 0, 0}), TahomaFont(8, kBold, kWhite));
    navStatics[3] = ownFont(label(nullptr, L"NavStatic4", {695, 64, 0, 0}), TahomaFont(8, kBold, kWhite));
    navStatics[0] = ownFont(label(nullptr, L"NavStatic1", {701, 22, 0, 0}), TahomaFont(8, 0, kWhite));
    for (int i = 0; i < 4; ++i) {
        for (Component* c : {static_cast<Component*>(navPictures[i]), static_cast<Component*>(navStatics[i])}) {
            c->cursor = CursorId::HandPoint;
            UnderlineOnHover(c, navStatics[i]);
        }
    }
    // After the controls, the keyboard reaches Help, Home, Support and About, then the links.
    for (int i = 0; i < 4; ++i) AddKeyboardItem(navStatics[i], {navPictures[i], navStatics[i]}, false);
    for (const wchar_t* name : {L"LinkLabel4", L"LinkLabel5", L"LinkLabel6", L"LinkLabel7", L"LinkLabel8"}) {
        Label* link = FindAs<Label>(name);
        AddKeyboardItem(link, {link}, true);
    }

    mainPanel_ = Add<Panel>(nullptr, L"MainPanel");
    mainPanel_->bounds = {182, 91, 582, 388};
    mainPanel_->color = kWindowColor;
    mainPanel_->tabOrder = 0;

    Panel* benefits = Add<Panel>(mainPanel_, L"BenefitsPanel");
    benefits->bounds = {0, 0, 582, 65};
    benefits->color = kButtonFace;
    benefits->tabOrder = 6;
    ownFont(label(benefits, L"BenefitsLabel", {16, 6, 0, 0}), TahomaFont(8, kBold, kWindowText));
    Label* description = ownFont(label(benefits, L"BenefitsDescription", {16, 25, 550, 36}),
                                 TahomaFont(8, 0, kGray));
    description->autoSize = false;
    description->wordWrap = true;
    description->centerVertically = true;

    Label* osLabel = label(mainPanel_, L"OSVersionLabel", {16, 76, 0, 0});
    auto* images1 = Add<ImageList>(nullptr, L"ImageList1", std::vector<std::wstring>{L"DESKTOP16", L"SERVER16"});
    windowsCombo_ = Add<ImageCombo>(mainPanel_, L"WindowsCombo", images1,
                                    std::vector<ImageCombo::Row>{
                                        {L"  Microsoft \u00AE Windows 8", 0},
                                        {L"  Microsoft \u00AE Windows 7", 0},
                                        {L"  Microsoft \u00AE Windows Vista", 0},
                                        {L"  Microsoft \u00AE Windows XP", 0},
                                        {L"  Microsoft \u00AE Windows Server 2012", 1},
                                        {L"  Microsoft \u00AE Windows Server 2008", 1},
                                        {L"  Microsoft \u00AE Windows Server 2003", 1},
                                        {L"  Microsoft \u00AE Windows Server 2000", 1}});
    windowsCombo_->bounds = {16, 95, 309, 22};
    windowsCombo_->tabOrder = 2;
    windowsCombo_->labelledBy = osLabel;

    Label* modemLabel = label(mainPanel_, L"ModemTypeLabel", {16, 134, 0, 0});
    auto* images2 = Add<ImageList>(nullptr, L"ImageList2", std::vector<std::wstring>{L"CONNECTION16"});
    std::vector<ImageCombo::Row> modemRows;
    for (const wchar_t* text :
         {L"  Cable | DSL | Wi-Fi", L"  Verizon FiOS | Wi-Fi", L"  Dial-up 56k", L"  Satellite",
          L"  Android | iPhone | Windows Phone | BlackBerry", L"  LTE | 4G | 3G | 2G | Edge Modem",
          L"  Local Area Network", L"  ISDN", L"  T1 | T3 | OC3 | OC12+"})
        modemRows.push_back({text, 0});
    modemCombo_ = Add<ImageCombo>(mainPanel_, L"ModemCombo", images2, modemRows);
    modemCombo_->bounds = {16, 153, 309, 22};
    modemCombo_->tabOrder = 3;
    modemCombo_->labelledBy = modemLabel;

    Label* speedLabel = label(mainPanel_, L"SpeedLabel", {16, 192, 0, 0});
    speedTrackBar_ = Add<TrackBar>(mainPanel_, L"SpeedTrackBar");
    speedTrackBar_->bounds = {16, 211, 309, 55};
    speedTrackBar_->tabOrder = 4;
    speedTrackBar_->labelledBy = speedLabel;
    label(mainPanel_, L"FastLabel", {33, 270, 0, 0});
    Label* faster = label(mainPanel_, L"FasterLabel", {304, 270, 3, 0});  // right edge at x 307
    faster->rightAligned = true;
    Add<Bevel>(mainPanel_, L"LineSeparator1", BevelShape::RightLine)->bounds = {360, 102, 2, 183};

    goButton_ = Add<Button>(mainPanel_, L"GoButton");
    goButton_->bounds = {400, 95, 145, 52};
    goButton_->parentFont = false;
    goButton_->font = TahomaFont(8, kBold, kWindowText);
    goButton_->isDefault = true;
    goButton_->tabOrder = 0;
    defaultButton = goButton_;
    goButton_->onClick = [this] { GoButtonClick(); };

    restoreButton_ = Add<Button>(mainPanel_, L"RestoreButton");
    restoreButton_->bounds = {400, 171, 145, 25};
    restoreButton_->startsDisabled = true;
    restoreButton_->tabOrder = 1;
    restoreButton_->onClick = [this] { RestoreButtonClick(); };

    Add<Bevel>(mainPanel_, L"LineSeparator2", BevelShape::TopLine)->bounds = {16, 315, 536, 5};
    versionInstalledLabel_ = ownFont(label(mainPanel_, L"VersionInstalledLabel", {16, 336, 0, 0}),
                                     TahomaFont(8, kBold, kWindowText));
    updatesButton_ = Add<Button>(mainPanel_, L"UpdatesButton");
    updatesButton_->bounds = {400, 336, 154, 33};
    updatesButton_->shield = true;
    updatesButton_->tabOrder = 5;
    updatesButton_->onClick = [this] { UpdatesButtonClick(); };
    softwareLastUpdateLabel_ = label(mainPanel_, L"SoftwareLastUpdateLabel", {16, 355, 0, 0});

    MenuItem* helpItem = Add<MenuItem>(nullptr, L"HelpFilePopup");
    MenuItem* separator = Add<MenuItem>(nullptr, L"N1", true);
    separator->SetCaption(L"-");
    MenuItem* supportItem = Add<MenuItem>(nullptr, L"TechSupportPopup");
    helpItem->onClick = [this] { HelpFilePopupClick(); };
    supportItem->onClick = [this] { NavButton3Click(); };
    popupMenu_ = Add<PopupMenu>(nullptr, L"PopupMenu", std::vector<MenuItem*>{helpItem, separator, supportItem});

    // Click targets: pictures, their texts and the link labels share handlers.
    auto click = [this](const wchar_t* name, void (MainWindow::*handler)()) {
        Find(name)->onClick = [this, handler] { (this->*handler)(); };
    };
    click(L"NavButton1", &MainWindow::NavButton1Click);
    click(L"NavStatic1", &MainWindow::NavButton1Click);
    click(L"NavButton2", &MainWindow::NavButton2Click);
    click(L"NavStatic2", &MainWindow::NavButton2Click);
    click(L"LinkLabel6", &MainWindow::NavButton2Click);
    click(L"NavButton3", &MainWindow::NavButton3Click);
    click(L"NavStatic3", &MainWindow::NavButton3Click);
    click(L"LinkLabel5", &MainWindow::NavButton3Click);
    click(L"NavButton4", &MainWindow::NavButton4Click);
    click(L"NavStatic4", &MainWindow::NavButton4Click);
    click(L"LinkLabel7", &MainWindow::NavButton4Click);
    click(L"LinkLabel4", &MainWindow::HelpFilePopupClick);
    click(L"LinkLabel8", &MainWindow::LinkLabel8Click);
}

void MainWindow::UnderlineOnHover(Component* c, Component* underlined) {
    c->onMouseEnter = [underlined] { underlined->SetFontStyle(underlined->font.style | kUnderline); };
    c->onMouseLeave = [underlined] { underlined->SetFontStyle(underlined->font.style & ~kUnderline); };
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
    windowsCombo_->SetSelected(WindowsComboRow(GetWindowsVersion()));
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
    const POINT p = HelpMenuPosition();
    if (popupOverride)
        popupOverride(p);
    else
        popupMenu_->Popup(p.x, p.y);
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
