#include <gtest/gtest.h>


#include "harness.h"
#include "platform/program_key.h"

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

namespace {

// A rectangle of a window's client area in 96-DPI design units, on the screen.
RECT DesignRectOnScreen(HWND window, int designWidth, RECT design) {
    RECT client;
    GetClientRect(window, &client);
    auto scale = [&](LONG v) { return MulDiv(v, client.right, designWidth); };
    POINT corners[2] = {{scale(design.left), scale(design.top)}, {scale(design.right), scale(design.bottom)}};
    MapWindowPoints(window, nullptr, corners, 2);
    return RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

// Where each list on the main window shows its row's picture (left end of the field).
constexpr RECT kWindowsListPicture{198, 186, 224, 208};
constexpr RECT kConnectionListPicture{198, 244, 224, 266};

// Copies what the screen shows of a window's client area into a PNG file.
bool SaveWindowPng(HWND window, const std::wstring& name) {
    // The client area: without a window manager the frame is not drawn.
    RECT r;
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return SaveScreenPng(r, name);
}

class Screenshots : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramKey(); }
    void TearDown() override {
        ResetProgramKey();
        SetDpi(96);
        UseDesktopFont(nullptr);
    }
    static void SetDpi(DWORD dpi) { WriteDword(HKEY_CURRENT_USER, L"\\Control Panel\\Desktop", L"LogPixels", dpi); }

    // Starts the program, waits until its window is painted, and saves it.
    void Shoot(const std::wstring& language, const std::wstring& file, RECT* clientOut = nullptr,
               const std::wstring& aboutFile = L"") {
        if (!language.empty()) WriteSz(kProgramRoot, kProgramKeyPath, L"Language", language);
        Program p;
        HWND main = WaitForWindow(L"TZPMainForm", p.pid(), 30s);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));
        SetForegroundWindow(main);
        // Both lists show the picture of their selected row.
        EXPECT_TRUE(WaitUntil([&] {
            return CountColoredPixels(DesignRectOnScreen(main, 764, kWindowsListPicture)) > 20 &&
                   CountColoredPixels(DesignRectOnScreen(main, 764, kConnectionListPicture)) > 20;
        }, 10s)) << "a picture left of each list's text";
        EXPECT_TRUE(WaitUntilPainted(main, 10s));
        if (clientOut) GetClientRect(main, clientOut);
        EXPECT_TRUE(SaveWindowPng(main, file));
        if (!aboutFile.empty()) {
            // "About Zephrin" in the link list on the left opens the About window.
            PostMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 255));
            PostMessageW(main, WM_LBUTTONUP, 0, MAKELPARAM(20, 255));
            HWND about = WaitForWindow(L"TZPAboutForm", p.pid(), 10s);
            ASSERT_TRUE(WaitUntil([&] { return about && IsWindowVisible(about); }, 10s));
            EXPECT_TRUE(WaitUntil([&] {
                return CountColoredPixels(DesignRectOnScreen(about, 700, RECT{372, 130, 628, 386})) > 1000;
            }, 10s)) << "the large product picture is drawn";
            EXPECT_TRUE(WaitUntilPainted(about, 10s));
            EXPECT_TRUE(SaveWindowPng(about, aboutFile));
            PostMessageW(about, WM_CLOSE, 0, 0);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(about); }, 10s));
        }
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(p.WaitExit(20s).has_value());
    }
};

}  // namespace

TEST_F(Screenshots, MainWindowEnglishAndKorean) {
    Shoot(L"", L"main-english-96dpi.png", nullptr, L"about-english-96dpi.png");
    UseDesktopFont(L"NanumGothic");
    Shoot(L"korean", L"main-korean-96dpi.png", nullptr, L"about-korean-96dpi.png");
}

TEST_F(Screenshots, MainWindowScalesWithTheDisplay) {
    SetDpi(144);
    RECT client{};
    Shoot(L"", L"main-english-144dpi.png", &client);
    EXPECT_EQ(client.right, 1146) << "764 x 1.5";
    EXPECT_EQ(client.bottom, 750);
}
