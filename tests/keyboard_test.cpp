// Every action by keyboard, and every element named for screen readers: Tab
// through the program's own pump, Enter and Space on the painted items, the
// focus outline, and, from another process as a screen reader asks, the
// accessibility tree of the real windows in both languages.
#include <gtest/gtest.h>

#include <oleacc.h>

#include "app/captions.h"
#include "ui/captions.h"
#include "app/window_names.h"
#include "caption_text.h"
#include "harness.h"
#include "platform/program_key.h"
#include "platform/folders.h"
#include "platform/web_pages.h"
#include "program_windows.h"
#include "ui/application.h"
#include "screen_reader.h"
#include "system_values.h"

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

namespace {

// A key pressed on whatever holds the focus, handled by the program's pump.
void Press(WORD key, bool shift = false) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 0);
    PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000000);
    ui::Application::Instance().ProcessPending();
    state[VK_SHIFT] = 0;
    SetKeyboardState(state);
}

// The client area as its window paints it, focus outline included.
std::vector<COLORREF> Pixels(HWND window, const RECT& area) {
    RECT client{};
    GetClientRect(window, &client);
    WindowDC screen(window);
    UniqueDC dc(CreateCompatibleDC(screen.get()));
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
    SelectScope select(dc.get(), bitmap.get());
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
    std::vector<COLORREF> out;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) out.push_back(GetPixel(dc.get(), x, y));
    return out;
}

class KeyboardTest : public ::testing::Test, protected WindowsUnderTest {
protected:
    void SetUp() override {
        ResetProgramKey();
        Open();
        main->Show();
    }
    void TearDown() override { ResetProgramKey(); }
    ui::KeyboardItem* Item(const wchar_t* part) const { return main->ItemOf(main->Find(part)); }
};

}  // namespace

TEST_F(KeyboardTest, TabStepsThroughTheControlsThenEveryItemAndBack) {
    SetFocus(main->goButton()->Handle());
    // Restore is disabled with no backup, so Tab passes it by; the benefits panel holds no stop.
    std::vector<HWND> order = {main->windowsCombo()->FocusWindow(), main->modemCombo()->FocusWindow(),
                               main->speedTrackBar()->Handle(), main->Find(L"UpdatesButton")->Handle()};
    for (const wchar_t* part : {L"NavStatic1", L"NavStatic2", L"NavStatic3", L"NavStatic4", L"LinkLabel4",
                                L"LinkLabel5", L"LinkLabel6", L"LinkLabel7", L"LinkLabel8"})
        order.push_back(Item(part)->stop);
    order.push_back(main->goButton()->Handle());
    for (size_t i = 0; i < order.size(); ++i) {
        Press(VK_TAB);
        EXPECT_EQ(GetFocus(), order[i]) << "stop " << i;
    }
    Press(VK_TAB, true);
    EXPECT_EQ(GetFocus(), Item(L"LinkLabel8")->stop) << "Shift+Tab goes back";
    Press(VK_TAB, true);
    EXPECT_EQ(GetFocus(), Item(L"LinkLabel7")->stop);
}

TEST_F(KeyboardTest, AboutsLicenceLinkIsTheLastStopAndEnterOpensTheLicence) {
    std::vector<HWND> seen;
    const auto prepare = about->onShow;
    about->onShow = [&] {
        prepare();
        ui::KeyboardItem* licence = about->ItemOf(about->Find(L"LicenseAgreementLabel"));
        SetFocus(about->closeButton()->Handle());
        for (int i = 0; i < 4; ++i) {
            Press(VK_TAB);
            seen.push_back(GetFocus());
        }
        const std::vector<HWND> order = {about->Find(L"LicensedMemo")->Handle(), about->Find(L"HelpButton")->Handle(),
                                         licence ? licence->stop : nullptr, about->closeButton()->Handle()};
        EXPECT_EQ(seen, order) << "Close, the memo, Help, then the licence link";
        SetFocus(licence->stop);
        Press(VK_RETURN);
        PostMessageW(about->closeButton()->Handle(), BM_CLICK, 0, 0);
    };
    about->ShowModal();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{L"click", L"open:" + ProgramFolder() + L"License.rtf|"}));
}

TEST_F(KeyboardTest, EnterAndSpacePressAnItemAsItsClickDoes) {
    // Space on Home, Enter on the support link: each as its click, sound first.
    SetFocus(Item(L"NavStatic2")->stop);
    Press(VK_SPACE);
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{L"click", L"url:" + HomePageUrl()}));
    recorder.log.clear();
    SetFocus(Item(L"LinkLabel5")->stop);
    Press(VK_RETURN);
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{L"click", L"url:" + SupportPageUrl()}));
    EXPECT_FALSE(IsWindowVisible(about->Handle()));

    // Enter on Help opens its menu under it, as a click does.
    const std::vector<POINT>& menus = recorder.menus;
    SetFocus(Item(L"NavStatic1")->stop);
    Press(VK_RETURN);
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].x, main->HelpMenuPosition().x);
    EXPECT_EQ(menus[0].y, main->HelpMenuPosition().y);

    // Enter on About opens it; Enter elsewhere still presses the default button.
    bool shown = false;
    const auto prepare = about->onShow;
    about->onShow = [&] {
        prepare();
        shown = true;
        PostMessageW(about->closeButton()->Handle(), BM_CLICK, 0, 0);
    };
    SetFocus(Item(L"NavStatic4")->stop);
    Press(VK_RETURN);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(about->Visible());
}

TEST_F(KeyboardTest, TheItemReachedByTabIsOutlinedAndOneClickedIsNot) {
    // (Wine keeps no keyboard-cue state, so the outline's hiding for a mouse user cannot be shown here.)
    ui::KeyboardItem* link = Item(L"LinkLabel6");
    RECT area = link->RectOn(main);
    InflateRect(&area, 3, 2);
    SetFocus(main->goButton()->Handle());
    const auto plain = Pixels(main->Handle(), area);
    SetFocus(Item(L"LinkLabel5")->stop);
    Press(VK_TAB);
    ASSERT_EQ(GetFocus(), link->stop);
    EXPECT_NE(Pixels(main->Handle(), area), plain) << "outlined";
    SetFocus(main->goButton()->Handle());
    EXPECT_EQ(Pixels(main->Handle(), area), plain) << "the outline goes with the focus";
    // A click presses the link and leaves the focus where it was.
    const LPARAM at = MAKELPARAM((area.left + area.right) / 2, (area.top + area.bottom) / 2);
    SendMessageW(main->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(main->Handle(), WM_LBUTTONUP, 0, at);
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{L"click", L"url:" + HomePageUrl()}));
    EXPECT_EQ(GetFocus(), main->goButton()->Handle());
    EXPECT_EQ(Pixels(main->Handle(), area), plain) << "no outline after a click";
}

TEST_F(KeyboardTest, TheFocusComesBackWhenTheWindowIsActivatedAgain) {
    // Home by keyboard; its page took the foreground, and the user comes back.
    SetActiveWindow(main->Handle());
    SetFocus(Item(L"NavStatic2")->stop);
    Press(VK_SPACE);
    UniqueWindow other(CreateWindowExW(0, L"STATIC", L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                       nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    SetActiveWindow(other.get());
    ui::Application::Instance().ProcessPending();
    ASSERT_NE(GetFocus(), Item(L"NavStatic2")->stop) << "the other window has it";
    SetActiveWindow(main->Handle());
    ui::Application::Instance().ProcessPending();
    EXPECT_EQ(GetFocus(), Item(L"NavStatic2")->stop);
    // Enter opens the page again; it does not optimize.
    Press(VK_RETURN);
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{L"click", L"url:" + HomePageUrl(), L"click", L"url:" + HomePageUrl()}));
    EXPECT_TRUE(recorder.boxes.empty());
}

// ---- From another process, as a screen reader asks -------------------------

// Say what a caption says, as a reader speaks it: without the spaces around it, or the colon of a label.
std::wstring Spoken(const wchar_t* window, const wchar_t* key, bool label = false) {
    std::wstring text = CaptionOf(window, key);
    while (!text.empty() && (text.back() == L' ' || (label && text.back() == L':'))) text.pop_back();
    return text.substr(text.find_first_not_of(L' ') == std::wstring::npos ? 0 : text.find_first_not_of(L' '));
}

BOOL CALLBACK FindStops(HWND w, LPARAM lp) {
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (lstrcmpW(cls, L"ZephrinFocusStop") == 0) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
    return TRUE;
}

struct FocusEvent {
    HWND window;
    LONG object, child;
};
std::vector<FocusEvent>* g_focusEvents = nullptr;  // the hook's record, for one case at a time

void CALLBACK RecordFocus(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (g_focusEvents) g_focusEvents->push_back({window, object, child});
}

TEST(ScreenReaders, EveryElementIsNamedInTheWindowsLanguageAndActsAsItsClick) {
    Com com;
    for (const wchar_t* language : {L"english", L"korean"}) {
        SCOPED_TRACE(Narrow(language));
        ResetProgramKey();
        WriteSz(kProgramRoot, kProgramKeyPath, L"Language", language);
        // A Korean user's desktop has a Hangul face.
        UseDesktopFont(language == std::wstring(L"korean") ? L"NanumGothic" : nullptr);
        const wchar_t* m = kMainFormName;
        const auto button = [&](const wchar_t* key) { return Spoken(m, key) + L" | button | focusable"; };
        const auto link = [&](const wchar_t* key) { return Spoken(m, key) + L" | link | focusable"; };
        // Stacking order: the logo, Help (its picture lies below the others), the heading and links, the other
        // three navigation items, then the panel that holds the controls. The background is not there.
        const std::vector<std::wstring> expected = {
            Spoken(m, m) + L" | graphic", button(L"NavStatic1"), Spoken(m, L"NavLabel2") + L" | text",
            link(L"LinkLabel4"), link(L"LinkLabel5"), link(L"LinkLabel6"), link(L"LinkLabel7"),
            link(L"LinkLabel8"), button(L"NavStatic2"), button(L"NavStatic3"), button(L"NavStatic4"), L"[window]"};
        const std::vector<std::wstring> names = {Spoken(m, L"OSVersionLabel", true),
                                                 Spoken(m, L"ModemTypeLabel", true), Spoken(m, L"SpeedLabel", true)};

        Program p;
        HWND main = WaitForWindow(L"TZPMainForm", p.pid(), 30s);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));
        RECT window{};
        GetWindowRect(main, &window);
        auto client = ObjectOf(main);
        ASSERT_TRUE(client);
        const auto tree = Tree(client.get(), window);
        std::wstring dump;
        for (const auto& row : tree) dump += row + L"\n";
        RecordProperty("tree_" + Narrow(language), Narrow(dump));
        EXPECT_EQ(tree, expected) << Narrow(dump);
        std::vector<std::wstring> controls;
        for (HWND control : {GetWindow(Descendant(main, L"ComboBoxEx32", 0), GW_CHILD),
                             GetWindow(Descendant(main, L"ComboBoxEx32", 1), GW_CHILD), Descendant(main, TRACKBAR_CLASSW)}) {
            auto object = ObjectOf(control);
            controls.push_back(object ? Name(object.get()) : L"(no object)");
        }
        EXPECT_EQ(controls, names) << "each list and the track bar by the label beside it";

        // Tab to the first link: the reader hears of the focus on that element of the client area.
        std::vector<FocusEvent> events;
        g_focusEvents = &events;
        HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, RecordFocus, p.pid(), 0,
                                             WINEVENT_OUTOFCONTEXT);
        std::vector<HWND> stops;
        EnumChildWindows(main, FindStops, reinterpret_cast<LPARAM>(&stops));
        ASSERT_EQ(stops.size(), 9u) << "four navigation items and five links";
        SetForegroundWindow(main);
        GUITHREADINFO info{sizeof info};
        for (int i = 0; i < 20 && !(GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info) &&
                                    info.hwndFocus == stops[4]);
             ++i) {
            INPUT key[2] = {};
            key[0].type = key[1].type = INPUT_KEYBOARD;
            key[0].ki.wVk = key[1].ki.wVk = VK_TAB;
            key[1].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(2, key, sizeof(INPUT));
            WaitUntil([&] {
                MSG msg;
                while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
                return false;
            }, 200ms);
        }
        EXPECT_EQ(info.hwndFocus, stops[4]) << "Tab reached the first link";
        WaitUntilPainted(main, 5s);
        SaveScreenPng(window, std::wstring(L"keyboard-focus-") + language + L".png");
        WaitUntil([&] {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            for (const auto& e : events)
                if (e.window == main && e.object == OBJID_CLIENT && e.child == 4) return true;
            return false;
        }, 5s);
        UnhookWinEvent(hook);
        g_focusEvents = nullptr;
        bool heard = false;
        for (const auto& e : events) heard = heard || (e.window == main && e.object == OBJID_CLIENT && e.child == 4);
        EXPECT_TRUE(heard) << "EVENT_OBJECT_FOCUS for child 4 of the client area";
        VARIANT focus{};
        EXPECT_EQ(client->get_accFocus(&focus), S_OK);
        EXPECT_EQ(focus.vt == VT_I4 ? focus.lVal : -1, 4) << "the client area says where the focus is";

        // The reader's default action on a navigation item does what its click does: About opens.
        VARIANT about{};
        about.vt = VT_I4;
        about.lVal = 11;
        EXPECT_EQ(client->accDoDefaultAction(about), S_OK);
        HWND aboutWindow = WaitForWindow(L"TZPAboutForm", p.pid(), 10s);
        ASSERT_NE(aboutWindow, nullptr);
        EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(aboutWindow) != FALSE; }, 10s));
        auto aboutClient = ObjectOf(aboutWindow);
        ASSERT_TRUE(aboutClient);
        LONG aboutChildren = 0;
        aboutClient->get_accChildCount(&aboutChildren);
        EXPECT_GE(aboutChildren, 3) << "its panel and two buttons";
        PostMessageW(aboutWindow, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(aboutWindow); }, 10s));
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(p.WaitExit(20s), std::optional<DWORD>(0));
    }
    UseDesktopFont(nullptr);
    ResetProgramKey();
}

// While the main window waits for its paced steps, nothing in it may start anything: not a reader's default
// action on any of its elements, nor a click posted to a button or a link.
TEST(ScreenReaders, NothingInTheWaitingWindowActsAndOneOptimizationRuns) {
    Com com;
    ResetProgramKey();
    ClearSystemValues();
    SetEnvironmentVariableW(L"ZEPHRIN_PACING_PAUSE_MS", L"120");
    Program p;
    SetEnvironmentVariableW(L"ZEPHRIN_PACING_PAUSE_MS", nullptr);
    HWND main = WaitForWindow(L"TZPMainForm", p.pid(), 30s);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));
    HWND go = FindChildByText(main, L"Button", L"&Optimize now");
    PostMessageW(go, BM_CLICK, 0, 0);
    HWND progress = WaitForWindow(L"TZPSettingsForm", p.pid(), 10s);
    ASSERT_TRUE(WaitUntil([&] { return progress && IsWindowVisible(progress); }, 10s));
    ASSERT_FALSE(IsWindowEnabled(main));

    auto client = ObjectOf(main);
    ASSERT_TRUE(client);
    LONG count = 0;
    client->get_accChildCount(&count);
    int actions = 0;
    for (LONG i = 1; i <= count; ++i) {
        VARIANT child{};
        child.vt = VT_I4;
        child.lVal = i;
        actions += client->accDoDefaultAction(child) == S_OK;
    }
    EXPECT_EQ(actions, 9) << "every item was asked";
    PostMessageW(go, BM_CLICK, 0, 0);
    PostMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 255));  // "About Zephrin"
    PostMessageW(main, WM_LBUTTONUP, 0, MAKELPARAM(20, 255));
    // Until the steps end: the main window waits, and no other window of ours, nor a menu, appears.
    HWND about = FindTopWindow(L"TZPAboutForm", p.pid());
    bool stillWaiting = true, otherWindow = false;
    WaitUntil([&] {
        if (!IsWindowVisible(progress)) return true;
        // At the very end of the steps the main window is enabled a moment before the progress window hides,
        // so that activation returns to it: enabled while the steps still run is enabled for longer.
        if (IsWindowEnabled(main) && !WaitUntil([&] { return !IsWindowVisible(progress); }, 2s)) stillWaiting = false;
        otherWindow = otherWindow || (about && IsWindowVisible(about)) || FindTopWindow(L"TZPChangesForm", p.pid()) ||
                      FindTopWindow(L"#32768", p.pid());
        return false;
    }, 30s);
    EXPECT_TRUE(stillWaiting) << "disabled for as long as the steps run";
    EXPECT_FALSE(otherWindow);
    const auto box = WaitForMessageBox(p.pid(), 20s);
    ASSERT_TRUE(box.has_value());
    EXPECT_NE(box->text.find(L"You will need to restart Windows"), std::wstring::npos) << Narrow(box->text);
    AnswerMessageBox(*box, IDNO);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box->window); }, 10s));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }, 10s)) << "enabled after the steps";
    EXPECT_FALSE(WaitForMessageBox(p.pid(), 3s).has_value()) << "one optimization, one question";
    EXPECT_FALSE(IsWindowVisible(progress));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.WaitExit(20s), std::optional<DWORD>(0));
    ClearSystemValues();
    ResetProgramKey();
}
