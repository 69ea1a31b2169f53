#include <windows.h>

#include <gtest/gtest.h>

#include <richedit.h>

#include <fstream>
#include <iterator>

#include "app/about_window.h"
#include "app/main_window.h"
#include "app/captions.h"
#include "caption_text.h"
#include "harness.h"
#include "program_windows.h"
#include "platform/program_key.h"
#include "platform/folders.h"
#include "ui/application.h"
#include "ui/captions.h"

using namespace zephrin;
using namespace zephrin::ui;
using namespace zephrin::test;

namespace {

class AboutTest : public ::testing::Test, protected WindowsUnderTest {
protected:
    void SetUp() override {
        ResetProgramKey();
        Open();
        main->Show();
        prepare_ = about->onShow;
    }
    void TearDown() override { ResetProgramKey(); }

    // Shows the window modally and runs `inside` once it is up; `inside` must close it.
    int ShowAndDo(std::function<void()> inside) {
        about->onShow = [this, inside] {
            prepare_();
            RunLater(inside);
        };
        return about->ShowModal();
    }
    std::function<void()> prepare_;  // the window's own show step
};

}  // namespace

TEST_F(AboutTest, VersionIsAppendedOnceAtEveryShowing) {
    for (int i = 0; i < 2; ++i) {
        ShowAndDo([this] { PostMessageW(about->closeButton()->Handle(), BM_CLICK, 0, 0); });
        EXPECT_EQ(about->versionLabel()->caption(), L"Zephrin 7  (Version : 7.8.18.2014)");
    }
    EXPECT_EQ(about->Title(), L"About Zephrin");
    EXPECT_EQ(about->Find(L"BannerLabel")->caption(), L"More information about this software");
    EXPECT_EQ(about->FindAs<Memo>(L"LicensedMemo")->Text(), CaptionOf(L"ZPAboutForm", L"LicensedMemo"));
}

TEST_F(AboutTest, FocusStartsOnCloseAndEnterCloses) {
    HWND focused = nullptr;
    const int result = ShowAndDo([&] {
        focused = GetFocus();
        PostMessageW(focused, WM_KEYDOWN, VK_RETURN, 0);
        PostMessageW(focused, WM_KEYUP, VK_RETURN, 0);
    });
    EXPECT_EQ(focused, about->closeButton()->Handle());
    EXPECT_EQ(result, IDOK);
}

TEST_F(AboutTest, EscapeDoesNotClose) {
    bool stillVisible = false;
    ShowAndDo([&] {
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(GetFocus(), WM_KEYUP, VK_ESCAPE, 0);
        RunLater([&] {
            stillVisible = about->Visible();
            PostMessageW(about->closeButton()->Handle(), BM_CLICK, 0, 0);
        });
    });
    EXPECT_TRUE(stillVisible);
}

TEST_F(AboutTest, HelpButtonAndF1OpenTheMainTopicWithoutSound) {
    ShowAndDo([&] {
        PostMessageW(about->Find(L"HelpButton")->Handle(), BM_CLICK, 0, 0);
        RunLater([&] {
            // F1 through About's own modal loop, as a key press.
            PostMessageW(about->closeButton()->Handle(), WM_KEYDOWN, VK_F1, 0);
            RunLater([&] { PostMessageW(about->closeButton()->Handle(), BM_CLICK, 0, 0); });
        });
    });
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{L"help:Zephrin.chm|/html/main.htm",
                                                        L"help:Zephrin.chm|/html/main.htm"}));
}

TEST_F(AboutTest, LicenceLinkUnderlinesOnHoverAndOpensTheDocument) {
    Component* link = about->Find(L"LicenseAgreementLabel");
    EXPECT_EQ(link->cursor, CursorId::HandPoint);
    EXPECT_EQ(link->font.color, static_cast<Color>(13395456));
    const unsigned before = link->font.style;
    link->onMouseEnter();
    EXPECT_EQ(link->font.style, before | kUnderline);
    link->onMouseLeave();
    EXPECT_EQ(link->font.style, before);
    link->onClick();
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{L"click", L"open:" + ProgramFolder() + L"License.rtf|"}));
}

TEST_F(AboutTest, KoreanTableWithTheVersionAppended) {
    WriteSz(kProgramRoot, kProgramKeyPath, L"Language", L"korean");
    ShowAndDo([this] { PostMessageW(about->closeButton()->Handle(), BM_CLICK, 0, 0); });
    EXPECT_EQ(about->versionLabel()->caption(), L"Zephrin 7  (\uBC84\uC83C : 7.8.18.2014)");
    EXPECT_EQ(about->Title(), L"Zephrin \uC815\uBCF4");
    EXPECT_EQ(WindowText(about->closeButton()->Handle()), L"\uB2EB\uAE30(&C)");
}

TEST_F(AboutTest, LayoutAndFonts) {
    if (about->Dpi() != 96) GTEST_SKIP();
    RECT client;
    GetClientRect(about->Handle(), &client);
    EXPECT_EQ(client.right, 700);
    EXPECT_EQ(client.bottom, 441);
    const DWORD style = static_cast<DWORD>(GetWindowLongW(about->Handle(), GWL_STYLE));
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    HWND memo = about->Find(L"LicensedMemo")->Handle();
    EXPECT_TRUE(GetWindowLongW(memo, GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(GetWindowLongW(memo, GWL_STYLE) & WS_VSCROLL);
    ShowAndDo([this] { PostMessageW(about->closeButton()->Handle(), BM_CLICK, 0, 0); });
    EXPECT_EQ(about->Find(L"BannerLabel")->font.sizePt, 12) << "larger than the window font: kept";
    EXPECT_EQ(about->Find(L"LicenseAgreementLabel")->font.sizePt, std::max(8, about->font.sizePt));
}

// ---- The documents beside the program ---------------------------------------

namespace {
DWORD CALLBACK StreamFromString(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* done) {
    auto* s = reinterpret_cast<std::pair<std::string, size_t>*>(cookie);
    const size_t n = std::min(static_cast<size_t>(size), s->first.size() - s->second);
    memcpy(buffer, s->first.data() + s->second, n);
    s->second += n;
    *done = static_cast<LONG>(n);
    return 0;
}
}  // namespace

TEST(Documents, LicenceIsRichText) {
    std::ifstream in(Narrow(L"") + std::string(ZEPHRIN_SOURCE_DIR) + "/resources/License.rtf", std::ios::binary);
    std::pair<std::string, size_t> source{std::string(std::istreambuf_iterator<char>(in), {}), 0};
    ASSERT_EQ(source.first.rfind("{\\rtf1", 0), 0u);
    EXPECT_NE(GetFileAttributesW((ProgramFolder() + L"License.rtf").c_str()), INVALID_FILE_ATTRIBUTES);
    HMODULE riched = LoadLibraryW(L"riched20.dll");
    ASSERT_NE(riched, nullptr);
    HWND edit = CreateWindowExW(0, RICHEDIT_CLASSW, L"", ES_MULTILINE, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    EDITSTREAM es{reinterpret_cast<DWORD_PTR>(&source), 0, &StreamFromString};
    SendMessageW(edit, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&es));
    EXPECT_EQ(es.dwError, 0u);
    const std::wstring text = WindowText(edit);
    EXPECT_EQ(text.rfind(L"Zephrin End-User License Agreement", 0), 0u) << Narrow(text.substr(0, 80));
    EXPECT_EQ(text.find(L"\\rtf"), std::wstring::npos) << "read as RTF, not as plain text";
    EXPECT_NE(text.find(L"Copyright \u00A9 2014 ORVANE"), std::wstring::npos);
    DestroyWindow(edit);
}
