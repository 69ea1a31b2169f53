// What the display asks of the program's windows, end to end: high contrast
// switched on and off while they run, and a move to a monitor of another DPI.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>

#include "caption_text.h"
#include "harness.h"
#include "platform/program_key.h"
#include "screen_reader.h"

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

namespace {

constexpr int kSystemColours = COLOR_MENUBAR + 1;
const wchar_t kHighContrastKey[] = L"\\Control Panel\\Accessibility\\HighContrast";
const wchar_t kThemeKey[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";

// Screen rectangle of a part of a window's client area given in 96-DPI design units.
RECT OnScreen(HWND window, RECT design) {
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&design), 2);
    return design;
}

RECT ClientOnScreen(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    return OnScreen(window, r);
}

bool Inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// Whether `c` is `a`, `b` or a blend of the two, as antialiased text is.
bool Between(COLORREF c, COLORREF a, COLORREF b) {
    const int ca[3] = {GetRValue(a), GetGValue(a), GetBValue(a)}, cb[3] = {GetRValue(b), GetGValue(b), GetBValue(b)};
    const int cc[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
    int widest = 0;
    for (int i = 1; i < 3; ++i)
        if (std::abs(cb[i] - ca[i]) > std::abs(cb[widest] - ca[widest])) widest = i;
    const int span = cb[widest] - ca[widest];
    if (span == 0) return std::abs(cc[0] - ca[0]) <= 2 && std::abs(cc[1] - ca[1]) <= 2 && std::abs(cc[2] - ca[2]) <= 2;
    const double t = static_cast<double>(cc[widest] - ca[widest]) / span;
    if (t < -0.02 || t > 1.02) return false;
    for (int i = 0; i < 3; ++i)
        if (std::abs(ca[i] + t * (cb[i] - ca[i]) - cc[i]) > 3) return false;
    return true;
}

// The colours the window shows, outside `icons`, that are no system colour
// and no blend of two (antialiased text); a few, for the message.
std::vector<std::string> ForeignColours(HWND window, const std::vector<RECT>& icons) {
    const RECT r = ClientOnScreen(window);
    const std::vector<uint32_t> pixels = CaptureScreen(r);
    std::set<COLORREF> shown;
    const int w = r.right - r.left;
    for (size_t i = 0; i < pixels.size(); ++i) {
        const int x = r.left + static_cast<int>(i) % w, y = r.top + static_cast<int>(i) / w;
        if (std::any_of(icons.begin(), icons.end(), [&](const RECT& icon) { return Inside(icon, x, y); })) continue;
        const uint32_t p = pixels[i];
        shown.insert(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    }
    std::vector<COLORREF> system;
    for (int i = 0; i < kSystemColours; ++i) system.push_back(GetSysColor(i));
    std::vector<std::string> foreign;
    for (COLORREF c : shown) {
        bool ok = false;
        for (size_t a = 0; a < system.size() && !ok; ++a)
            for (size_t b = a; b < system.size() && !ok; ++b) ok = Between(c, system[a], system[b]);
        if (!ok && foreign.size() < 8) {
            char text[16];
            std::snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
            foreign.push_back(text);
        }
    }
    return foreign;
}

// The program's main window once it is painted; null when it does not come.
HWND PaintedMainWindow(const Program& p) {
    HWND main = WaitForWindow(L"TZPMainForm", p.pid(), 30s);
    return main && WaitUntilPainted(main, 10s) ? main : nullptr;
}

void Click(HWND window, int x, int y) {
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

class Display : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramKey();
        for (int i = 0; i < kSystemColours; ++i) colours_.push_back(GetSysColor(i));
        flags_ = ReadSzValue(HKEY_CURRENT_USER, kHighContrastKey, L"Flags");
        theme_ = ReadSzValue(HKEY_CURRENT_USER, kThemeKey, L"ThemeActive");
    }
    void TearDown() override {
        HighContrast(false);
        if (flags_) WriteSz(HKEY_CURRENT_USER, kHighContrastKey, L"Flags", *flags_);
        UseDesktopFont(nullptr);
        ResetProgramKey();
    }

    // Turns high contrast on or off as Windows does: the flag, visual styles off, then the colours, broadcast.
    void HighContrast(bool on) {
        WriteSz(HKEY_CURRENT_USER, kHighContrastKey, L"Flags", on ? L"127" : L"126");
        WriteSz(HKEY_CURRENT_USER, kThemeKey, L"ThemeActive", on ? L"0" : theme_.value_or(L"1"));
        std::vector<int> indexes;
        std::vector<COLORREF> values;
        for (int i = 0; i < kSystemColours; ++i) {
            indexes.push_back(i);
            values.push_back(colours_[i]);
        }
        if (on) {
            // Windows' own "High Contrast Black".
            const std::pair<int, COLORREF> black[] = {
                {COLOR_WINDOW, RGB(0, 0, 0)},         {COLOR_WINDOWTEXT, RGB(255, 255, 255)},
                {COLOR_BTNFACE, RGB(0, 0, 0)},        {COLOR_BTNTEXT, RGB(255, 255, 255)},
                {COLOR_HOTLIGHT, RGB(255, 255, 0)},   {COLOR_GRAYTEXT, RGB(63, 242, 63)},
                {COLOR_HIGHLIGHT, RGB(26, 235, 255)}, {COLOR_HIGHLIGHTTEXT, RGB(0, 0, 0)}};
            for (const auto& [index, value] : black) values[index] = value;
        }
        ASSERT_TRUE(SetSysColors(kSystemColours, indexes.data(), values.data()));
    }

    std::vector<COLORREF> colours_;
    std::optional<std::wstring> flags_, theme_;
};

// Where the main window shows pictures a standard control draws: its lists' icons (they stay).
const std::vector<RECT> kMainIcons = {{198, 186, 224, 208}, {198, 244, 224, 266}};
// The top band of the main window: a picture with the navigation drawn over it.
constexpr RECT kBanner{0, 0, 764, 90};

// Checks the main window, About and "What Zephrin changes" in their present colours and saves them.
void CheckEveryWindow(DWORD pid, HWND main, const std::wstring& language) {
    EXPECT_TRUE(WaitUntilPainted(main, 10s));
    std::vector<RECT> icons;
    for (RECT r : kMainIcons) icons.push_back(OnScreen(main, r));
    EXPECT_EQ(ForeignColours(main, icons), std::vector<std::string>{}) << "main window";
    EXPECT_TRUE(SaveScreenPng(ClientOnScreen(main), L"main-highcontrast-" + language + L".png"));

    Click(main, 20, 255);  // "About Zephrin"
    HWND about = WaitForWindow(L"TZPAboutForm", pid, 10s);
    ASSERT_TRUE(WaitUntil([&] { return about && IsWindowVisible(about); }, 10s));
    EXPECT_TRUE(WaitUntilPainted(about, 10s));
    EXPECT_EQ(ForeignColours(about, {OnScreen(about, RECT{372, 130, 628, 386})}), std::vector<std::string>{})
        << "About, its product icon aside";
    EXPECT_TRUE(SaveScreenPng(ClientOnScreen(about), L"about-highcontrast-" + language + L".png"));
    PostMessageW(about, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(about); }, 10s));

    Click(main, 20, 285);  // "What Zephrin changes"
    HWND changes = WaitForWindow(L"TZPChangesForm", pid, 10s);
    ASSERT_TRUE(WaitUntil([&] { return changes && IsWindowVisible(changes); }, 10s));
    EXPECT_TRUE(WaitUntilPainted(changes, 10s));
    EXPECT_EQ(ForeignColours(changes, {}), std::vector<std::string>{}) << "What Zephrin changes";
    EXPECT_TRUE(SaveScreenPng(ClientOnScreen(changes), L"changes-highcontrast-" + language + L".png"));
    PostMessageW(changes, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(changes); }, 10s));
}

}  // namespace

TEST_F(Display, HighContrastTurnedOnAndOffWhileTheProgramRunsTakesThePicturesAwayAndBack) {
    Program p;
    HWND main = PaintedMainWindow(p);
    ASSERT_NE(main, nullptr);
    EXPECT_GT(CountColoredPixels(OnScreen(main, kBanner)), 5000) << "the banner picture, before";
    HighContrast(true);
    EXPECT_TRUE(WaitUntil([&] { return CountColoredPixels(OnScreen(main, kBanner)) == 0; }, 10s))
        << "the picture behind the navigation is gone";
    HighContrast(false);
    EXPECT_TRUE(WaitUntil([&] { return CountColoredPixels(OnScreen(main, kBanner)) > 5000; }, 10s))
        << "switching back brings the pictures back";
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(p.WaitExit(20s).has_value());
}

// Wine keeps a running program's colours as they were when it started, so the
// colours themselves are checked in programs started with high contrast on.
TEST_F(Display, HighContrastPaintsEveryWindowInTheSystemColoursAlone) {
    HighContrast(true);
    for (const wchar_t* language : {L"english", L"korean"}) {
        SCOPED_TRACE(Narrow(language));
        if (std::wstring(language) == L"korean") {
            UseDesktopFont(L"NanumGothic");
            WriteSz(kProgramRoot, kProgramKeyPath, L"Language", language);
        }
        Program p;
        HWND main = PaintedMainWindow(p);
        ASSERT_NE(main, nullptr);
        CheckEveryWindow(p.pid(), main, language);
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(p.WaitExit(20s).has_value());
    }
}

namespace {

// Sends WM_DPICHANGED as Windows does, with the suggested rectangle in the window's own process.
void SendDpiChange(HWND window, DWORD pid, int dpi, const RECT& suggested) {
    UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid));
    ASSERT_TRUE(process);
    void* remote = VirtualAllocEx(process.get(), nullptr, sizeof suggested, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(remote, nullptr);
    ASSERT_TRUE(WriteProcessMemory(process.get(), remote, &suggested, sizeof suggested, nullptr));
    SendMessageW(window, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote));
    VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
}

SIZE SizeOf(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace

TEST_F(Display, AMoveToAnotherDpiLaysEveryPartOutAgain) {
    Program p;
    HWND main = PaintedMainWindow(p);
    ASSERT_NE(main, nullptr);
    HWND go = FindChildByText(main, L"Button", CaptionOf(L"ZPMainForm", L"GoButton"));
    HWND list = GetWindow(Descendant(main, L"ComboBoxEx32", 1), GW_CHILD);
    ASSERT_TRUE(go && list);
    const SIZE button96 = SizeOf(go), field96 = SizeOf(list);
    for (int dpi : {144, 192, 96}) {
        SCOPED_TRACE(dpi);
        RECT window, client;
        GetWindowRect(main, &window);
        GetClientRect(main, &client);
        // The frame as it is, around the client area the new DPI needs.
        const int width = (window.right - window.left) - client.right + MulDiv(764, dpi, 96);
        const int height = (window.bottom - window.top) - client.bottom + MulDiv(500, dpi, 96);
        SendDpiChange(main, p.pid(), dpi, RECT{0, 0, width, height});
        GetWindowRect(main, &window);
        EXPECT_EQ(window.left, 0);
        EXPECT_EQ(window.right - window.left, width) << "the suggested rectangle is taken";
        GetClientRect(main, &client);
        EXPECT_EQ(client.right, MulDiv(764, dpi, 96));
        EXPECT_EQ(client.bottom, MulDiv(500, dpi, 96));
        const SIZE button = SizeOf(go), field = SizeOf(list);
        EXPECT_NEAR(button.cx, MulDiv(button96.cx, dpi, 96), 1) << "controls take their new size";
        EXPECT_NEAR(button.cy, MulDiv(button96.cy, dpi, 96), 1);
        EXPECT_GE(field.cy, MulDiv(field96.cy, dpi, 96) - 8) << "the list's field follows its font and pictures";
        EXPECT_GE(field.cy, MulDiv(16, dpi, 96)) << "as high as its pictures at this DPI";
        EXPECT_TRUE(WaitUntilPainted(main, 10s));
        if (dpi != 96) {
            EXPECT_TRUE(SaveScreenPng(ClientOnScreen(main), L"main-dpichange-" + std::to_wstring(dpi) + L".png"));
        }
    }
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(p.WaitExit(20s).has_value());
}
