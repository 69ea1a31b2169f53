#include <gtest/gtest.h>

#include "app/about_window.h"
#include "app/main_window.h"
#include "app/captions.h"
#include "harness.h"
#include "program_windows.h"
#include "platform/program_key.h"
#include "platform/timestamps.h"
#include "platform/folders.h"
#include "platform/web_pages.h"
#include "app/progress_window.h"
#include "ui/application.h"

using namespace zephrin;
using namespace zephrin::ui;
using namespace zephrin::test;

namespace {

class MainWindowTest : public ::testing::Test, protected WindowsUnderTest {
protected:
    void SetUp() override { ResetProgramKey(); }
    void TearDown() override { ResetProgramKey(); }
    void Dword(const wchar_t* name, DWORD v) { WriteDword(kProgramRoot, kProgramKeyPath, name, v); }
    void Sz(const wchar_t* name, const std::wstring& v) { WriteSz(kProgramRoot, kProgramKeyPath, name, v); }
    std::wstring Caption(const wchar_t* name) { return main->Find(name)->caption(); }
};

}  // namespace

TEST_F(MainWindowTest, EmptyProgramKeyOpensWithDefaults) {
    Open();
    EXPECT_EQ(main->modemCombo()->Selected(), 0);
    EXPECT_EQ(main->modemCombo()->rows()[0].text, L"  Cable | DSL | Wi-Fi");
    EXPECT_EQ(main->speedTrackBar()->Position(), 0);
    EXPECT_FALSE(main->restoreButton()->Enabled());
    EXPECT_EQ(main->Title(), L"Zephrin - Make your internet connection faster");
    EXPECT_EQ(Caption(L"VersionInstalledLabel"), L"Version installed : 7.8.18.2014");
    EXPECT_EQ(Caption(L"SoftwareLastUpdateLabel"), L"Last updated : ");
    EXPECT_TRUE(recorder.log.empty()) << "no update check without UpdatedDate";
}

TEST_F(MainWindowTest, StoredChoicesAreShownWithinRange) {
    struct Case {
        DWORD internetType;
        int row;
    };
    for (Case c : {Case{9, -1}, Case{100, -1}, Case{static_cast<DWORD>(-3), -1}, Case{8, 8}, Case{4, 4}}) {
        Dword(L"InternetType", c.internetType);
        Open();
        EXPECT_EQ(main->modemCombo()->Selected(), c.row) << static_cast<int>(c.internetType);
    }
    Sz(L"InternetType", L"4");
    Open();
    EXPECT_EQ(main->modemCombo()->Selected(), 0) << "stored as text";
    Dword(L"SpeedSetting", 5);
    Open();
    EXPECT_EQ(main->speedTrackBar()->Position(), 1);
    Dword(L"SpeedSetting", static_cast<DWORD>(-2));
    Open();
    EXPECT_EQ(main->speedTrackBar()->Position(), 0);
    Dword(L"Restore", 7);
    Open();
    EXPECT_TRUE(main->restoreButton()->Enabled());
}

TEST_F(MainWindowTest, LastUpdatedLineFromUpdatedDateElseInstalledDate) {
    Sz(L"InstalledDate", L"86400");
    Open();
    EXPECT_EQ(Caption(L"SoftwareLastUpdateLabel"), L"Last updated : Friday, January 2, 1970 - 12:00:00 AM");
    const std::wstring recent = std::to_wstring(*ParseTimestamp(CurrentTimestampString()) - 86400);
    Sz(L"UpdatedDate", recent);
    Open();
    EXPECT_EQ(Caption(L"SoftwareLastUpdateLabel"), L"Last updated : " + FormatTimestamp(recent));
    Sz(L"UpdatedDate", L"");
    Sz(L"InstalledDate", L"garbage");
    Open();
    EXPECT_EQ(Caption(L"SoftwareLastUpdateLabel"), L"Last updated : ");
}

TEST_F(MainWindowTest, UnusableUpdateDateEndsTheCreationSequenceThere) {
    Sz(L"UpdatedDate", L"garbage");
    Dword(L"InternetType", 5);
    Open();
    EXPECT_EQ(main->modemCombo()->Selected(), 5) << "steps before the schedule ran";
    EXPECT_TRUE(recorder.log.empty());
}

TEST_F(MainWindowTest, NavigationTargetsAndTheirSounds) {
    Open();
    auto click = [&](const wchar_t* name) {
        recorder.log.clear();
        main->Find(name)->onClick();
        return recorder.log;
    };
    using L = std::vector<std::wstring>;
    for (const wchar_t* n : {L"NavButton2", L"NavStatic2", L"LinkLabel6"})
        EXPECT_EQ(click(n), (L{L"click", L"url:" + HomePageUrl()})) << Narrow(n);
    for (const wchar_t* n : {L"NavButton3", L"NavStatic3", L"LinkLabel5"})
        EXPECT_EQ(click(n), (L{L"click", L"url:" + SupportPageUrl()})) << Narrow(n);
    main->Show();
    EXPECT_EQ(click(L"LinkLabel4"), (L{L"help:Zephrin.chm|/html/main.htm"})) << "no sound for help";
    recorder.log.clear();
    main->FindAs<MenuItem>(L"HelpFilePopup")->onClick();
    EXPECT_EQ(recorder.log, (L{L"help:Zephrin.chm|/html/main.htm"}));
    recorder.log.clear();
    main->FindAs<MenuItem>(L"TechSupportPopup")->onClick();
    EXPECT_EQ(recorder.log, (L{L"click", L"url:" + SupportPageUrl()}));
    // A plain http address of the host alone, and the support page's path on it.
    const std::wstring home = HomePageUrl();
    ASSERT_EQ(home.rfind(L"http://", 0), 0u) << Narrow(home);
    EXPECT_EQ(home.find(L'/', 7), std::wstring::npos) << Narrow(home);
    EXPECT_EQ(SupportPageUrl(), home + L"/support/");
}

TEST_F(MainWindowTest, HelpPictureAndTextOpenTheMenuBelowTheButtonWithoutSound) {
    Open();
    main->Show();
    recorder.log.clear();
    main->Find(L"NavButton1")->onClick();
    main->Find(L"NavStatic1")->onClick();
    EXPECT_TRUE(recorder.log.empty());
    const std::vector<POINT>& shown = recorder.menus;
    ASSERT_EQ(shown.size(), 2u);
    RECT w, c;
    GetWindowRect(main->Handle(), &w);
    GetClientRect(main->Handle(), &c);
    EXPECT_EQ(shown[0].x, w.left + (w.right - w.left - c.right) + main->Scale(750));
    EXPECT_EQ(shown[0].y, w.top + (w.bottom - w.top - c.bottom) + main->Scale(43));
    EXPECT_EQ(shown[1].x, shown[0].x);
    auto* menu = main->popupMenu();
    ASSERT_EQ(menu->items().size(), 3u);
    EXPECT_EQ(menu->items()[0]->caption(), L"Get &help with Zephrin");
    EXPECT_TRUE(menu->items()[1]->separator());
    EXPECT_EQ(menu->items()[2]->caption(), L"&Contact technical support");
}

TEST_F(MainWindowTest, HoverUnderlinesTheNavigationText) {
    Open();
    Component* text = main->Find(L"NavStatic3");
    const unsigned plain = text->font.style;
    ASSERT_TRUE(plain & kBold);
    main->Find(L"NavButton3")->onMouseEnter();
    EXPECT_EQ(text->font.style, plain | kUnderline);
    // From the picture onto its own text: leave first, then enter.
    main->Find(L"NavButton3")->onMouseLeave();
    main->Find(L"NavStatic3")->onMouseEnter();
    EXPECT_EQ(text->font.style, plain | kUnderline);
    main->Find(L"NavStatic3")->onMouseLeave();
    EXPECT_EQ(text->font.style, plain) << "bold stays, the underline goes";
    Component* link = main->Find(L"LinkLabel7");
    link->onMouseEnter();
    EXPECT_TRUE(link->font.style & kUnderline);
    link->onMouseLeave();
    EXPECT_EQ(link->font.style, 0u);
}

TEST_F(MainWindowTest, HoverFollowsThePointerThroughTheWindow) {
    Open();
    main->Show();
    Component* text = main->Find(L"NavStatic2");
    const RECT pic = main->Find(L"NavButton2")->PixelRect();
    const RECT label = text->PixelRect();
    HWND w = main->Handle();
    SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(pic.left + 3, pic.top + 3));
    EXPECT_TRUE(text->font.style & kUnderline);
    SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(label.left + 2, label.top + 2));
    EXPECT_TRUE(text->font.style & kUnderline) << "from the picture onto its text";
    SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(100, 300));
    EXPECT_FALSE(text->font.style & kUnderline);
}

TEST_F(MainWindowTest, F1OpensHelpWhileAnyProgramWindowIsVisible) {
    Open();
    main->KeyShortCut(VK_F1);
    EXPECT_TRUE(recorder.log.empty()) << "nothing visible yet";
    progress->Show();
    main->KeyShortCut(VK_F1);
    EXPECT_EQ(recorder.log.size(), 1u) << "progress window visible";
    progress->Hide();
    main->Show();
    main->KeyShortCut(VK_F2);
    main->KeyShortCut(VK_F12);
    main->KeyShortCut(VK_RETURN);
    EXPECT_EQ(recorder.log.size(), 1u);
    main->KeyShortCut(VK_F1);
    EXPECT_EQ(recorder.log.size(), 2u);
}

// F1 as a key press, through each loop that runs while a window shows: the
// program's pump, About's modal loop and the progress window's paced steps.
TEST_F(MainWindowTest, F1ReachesHelpThroughEveryMessageLoop) {
    Open();
    main->Show();
    const std::wstring help = L"help:Zephrin.chm|/html/main.htm";
    PostMessageW(main->goButton()->Handle(), WM_KEYDOWN, VK_F1, 0);
    ui::Application::Instance().ProcessPending();
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{help})) << "main window";

    recorder.log.clear();
    const auto prepare = about->onShow;
    about->onShow = [&] {
        prepare();
        PostMessageW(about->closeButton()->Handle(), WM_KEYDOWN, VK_F1, 0);
        PostMessageW(about->closeButton()->Handle(), BM_CLICK, 0, 0);
    };
    about->ShowModal();
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{help})) << "About's modal loop";

    recorder.log.clear();
    recorder.answers = {IDNO};
    PostMessageW(main->goButton()->Handle(), WM_KEYDOWN, VK_F1, 0);
    main->GoButtonClick();
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{L"click", help, L"box"})) << "paced steps";
}

TEST_F(MainWindowTest, AboutOpensModallyCentredAfterTheClick) {
    Open();
    main->Show();
    bool sawClickFirst = false;
    const auto prepare = about->onShow;
    about->onShow = [&] {
        prepare();
        sawClickFirst = !recorder.log.empty() && recorder.log.back() == L"click";
        PostMessageW(about->closeButton()->Handle(), BM_CLICK, 0, 0);
    };
    main->Find(L"LinkLabel7")->onClick();
    EXPECT_TRUE(sawClickFirst);
    EXPECT_FALSE(about->Visible());
    EXPECT_TRUE(IsWindowEnabled(main->Handle()));
}

TEST_F(MainWindowTest, LayoutAtDesignPlaces) {
    Open();
    if (main->Dpi() != 96) GTEST_SKIP() << "layout numbers are for 96 DPI";
    RECT client;
    GetClientRect(main->Handle(), &client);
    EXPECT_EQ(client.right, 764);
    EXPECT_EQ(client.bottom, 500);
    auto placeOf = [&](const wchar_t* name) {
        HWND w = main->Find(name)->Handle();
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    struct Expect {
        const wchar_t* name;
        int l, t, w, h;
    };
    for (Expect e : {Expect{L"MainPanel", 182, 91, 582, 388}, Expect{L"BenefitsPanel", 0, 0, 582, 65},
                     Expect{L"SpeedTrackBar", 16, 211, 309, 55}, Expect{L"GoButton", 400, 95, 145, 52},
                     Expect{L"RestoreButton", 400, 171, 145, 25}, Expect{L"UpdatesButton", 400, 336, 154, 33}}) {
        const RECT r = placeOf(e.name);
        EXPECT_EQ(r.left, e.l) << Narrow(e.name);
        EXPECT_EQ(r.top, e.t) << Narrow(e.name);
        EXPECT_EQ(r.right - r.left, e.w) << Narrow(e.name);
        EXPECT_EQ(r.bottom - r.top, e.h) << Narrow(e.name);
    }
    for (const wchar_t* combo : {L"WindowsCombo", L"ModemCombo"}) {
        const RECT r = placeOf(combo);
        EXPECT_EQ(r.left, 16);
        EXPECT_EQ(r.right - r.left, 309);
    }
    const DWORD style = static_cast<DWORD>(GetWindowLongW(main->Handle(), GWL_STYLE));
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(GetWindowLongW(main->Find(L"GoButton")->Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON);
    EXPECT_EQ(SendMessageW(main->Find(L"SpeedTrackBar")->Handle(), TBM_GETRANGEMAX, 0, 0), 1);
    EXPECT_EQ(main->Find(L"FasterLabel")->PixelRect().right, 307);
}

TEST_F(MainWindowTest, KoreanTableFillsTheWindow) {
    Sz(L"Language", L"korean");
    Open();
    EXPECT_EQ(Caption(L"NavStatic4"), L"\uC815\uBCF4");
    EXPECT_EQ(Caption(L"VersionInstalledLabel"), L"\uC124\uCE58\uB41C \uBC84\uC804 : 7.8.18.2014");
    EXPECT_EQ(WindowText(main->goButton()->Handle()), L"\uC9C0\uAE08 \uCD5C\uC801\uD654(&O)");
}

TEST_F(MainWindowTest, UpdatesButtonPlaysTheClickThenStartsTheUpdater) {
    Open();
    main->updatesButton()->onClick();
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{L"click", L"run:" + ProgramFolder() + L"ZephrinUpdate.exe|"}));
}
