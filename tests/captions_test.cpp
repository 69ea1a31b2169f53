#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/captions.h"
#include "caption_text.h"
#include "harness.h"
#include "platform/program_key.h"
#include "ui/captions.h"
#include "ui/toolkit.h"

using namespace zephrin;
using namespace zephrin::ui;
using namespace zephrin::test;

namespace {

std::vector<std::wstring> Fields(const std::wstring& line) { return SplitCaptionLine(line).fields; }
using V = std::vector<std::wstring>;

std::string ReadBytes(const std::string& relative) {
    std::ifstream in(std::string(ZEPHRIN_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(CaptionSplitter, StoredRowForm) {
    EXPECT_EQ(Fields(L"ZPMainForm, GoButton, \"&Optimize now\""), (V{L"ZPMainForm", L"GoButton", L"&Optimize now"}));
    EXPECT_EQ(Fields(L"ZPMainForm, MessageBoxReset2, \"Click OK to continue.\" "),
              (V{L"ZPMainForm", L"MessageBoxReset2", L"Click OK to continue."}));
    EXPECT_EQ(Fields(L"  \t ZPMainForm, OSVersionLabel, \"Operating System : \""),
              (V{L"ZPMainForm", L"OSVersionLabel", L"Operating System : "}));
    EXPECT_EQ(Fields(L"W, K, \" &Check\""), (V{L"W", L"K", L" &Check"}));
}

TEST(CaptionSplitter, QuotesCommasAndBlanks) {
    EXPECT_EQ(Fields(L"W, K, \"say \"\"hi\"\"\""), (V{L"W", L"K", L"say \"hi\""}));
    EXPECT_EQ(Fields(L"W, K, \"\""), (V{L"W", L"K", L""}));
    EXPECT_EQ(Fields(L"ZPMainForm, FastLabel, Fast Boost"), (V{L"ZPMainForm", L"FastLabel", L"Fast", L"Boost"}));
    EXPECT_EQ(Fields(L"W, K,"), (V{L"W", L"K", L""}));
    EXPECT_EQ(Fields(L"W,,T"), (V{L"W", L"", L"T"}));
    EXPECT_EQ(Fields(L"W, K, \"open to the end"), (V{L"W", L"K", L"open to the end"}));
    EXPECT_EQ(Fields(L"\"a,b\",c"), (V{L"a,b", L"c"}));
    EXPECT_FALSE(SplitCaptionLine(L"   \t ").ok) << "blanks only yield no field";
}

TEST(CaptionSplitter, NulCountsAsAControlCharacter) {
    using namespace std::string_literals;
    // Each of these once kept the splitter at the same place for ever.
    EXPECT_EQ(Fields(L"W,\0K, T"s), (V{L"W", L"K", L"T"}));
    EXPECT_EQ(Fields(L"W, K\0, T"s), (V{L"W", L"K", L"T"}));
    EXPECT_EQ(Fields(L"W K\0"s), (V{L"W", L"K"}));
    EXPECT_EQ(Fields(L"\0\0W"s), (V{L"W"}));
    EXPECT_EQ(Fields(L"W, K, \"a\0b\""s), (V{L"W", L"K", L"a\0b"s})) << "quoted: kept as it is";
    EXPECT_FALSE(SplitCaptionLine(L"\0 \0"s).ok) << "only control characters: no field";
    // A whole table with NULs in its rows ends, and the rows before the NUL still count.
    const V lines = CutLines(DecodeCaptionTable("W, K, \"first\"\r\nW, \0K\0, \"second\"\r\n\0"s));
    EXPECT_EQ(GetCaptionFromLines(lines, L"W", L"K"), L"second");
}

TEST(CaptionTables, LineEndsAndByteOrderMarks) {
    EXPECT_EQ(CutLines(L"a\r\nb\rc\nd"), (V{L"a", L"b", L"c", L"d"}));
    EXPECT_EQ(CutLines(L"a\r\n\r\nb"), (V{L"a", L"", L"b"}));
    EXPECT_EQ(DecodeCaptionTable(std::string("\xFF\xFE" "A\0\x5C\xD5", 6)), L"A\uD55C");
    EXPECT_EQ(DecodeCaptionTable(std::string("\xFE\xFF\0A\xD5\x5C", 6)), L"A\uD55C");
    EXPECT_EQ(DecodeCaptionTable("\xEF\xBB\xBF" "A\xED\x95\x9C"), L"A\uD55C");
    EXPECT_EQ(DecodeCaptionTable("A\xA9"), L"A\u00A9") << "no mark: the ANSI code page";
    EXPECT_EQ(DecodeCaptionTable(""), L"");
}

TEST(CaptionTables, ShippedEnglishBytes) {
    const std::string bytes = ReadBytes("resources/captions/english.tbl");
    ASSERT_FALSE(bytes.empty());
    EXPECT_NE(static_cast<unsigned char>(bytes[0]), 0xEF) << "no byte-order mark";
    EXPECT_NE(bytes.back(), '\n') << "no line end after the last row";
    const auto lines = CutLines(DecodeCaptionTable(bytes));
    V windows;
    std::vector<V> keys(1);
    for (const auto& line : lines) {
        if (line.empty()) {
            keys.emplace_back();
            continue;
        }
        const auto f = Fields(line);
        ASSERT_GE(f.size(), 3u) << Narrow(line);
        if (windows.empty() || windows.back() != f[0]) windows.push_back(f[0]);
        keys.back().push_back(f[1]);
    }
    // The updater's own rows come last, and a new window's group goes before them,
    // so the program's first four groups keep their places.
    EXPECT_EQ(windows, (V{L"ZPMainForm", L"ZPAboutForm", L"ZPSettingsForm", L"ZPUpdateForm", L"ZPChangesForm",
                          L"ZephrinUpdate"}));
    ASSERT_EQ(keys.size(), 6u) << "one empty line between groups";
    EXPECT_EQ(keys[3], (V{L"ZPUpdateForm", L"BannerLabel", L"UpdateHeading", L"UpdateDescription", L"UpdateLabel1",
                          L"UpdateLabel2", L"UpdateLabel3", L"HelpButton", L"UpdateButton", L"CloseButton",
                          L"MessageBoxAdmin1", L"MessageBoxAdmin2", L"MessageBoxNoConnection1",
                          L"MessageBoxNoConnection2", L"MessageBoxNoUpdate1", L"MessageBoxNoUpdate2",
                          L"MessageBoxUpdate1", L"MessageBoxUpdate2", L"MessageBoxManualUpdate1",
                          L"MessageBoxManualUpdate2", L"MessageBoxUpdateRestart1", L"MessageBoxUpdateRestart2",
                          L"MessageBoxUpdateRestart3"}));
    EXPECT_NE(bytes.find("\"Click OK to continue.\" \r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\"Please sign in as an administrator and try again.\" \r\n"), std::string::npos);
    // Outside ASCII only in the copyright and credits rows.
    for (const auto& line : CutLines(DecodeCaptionTable(bytes))) {
        bool ascii = true;
        for (wchar_t c : line) ascii = ascii && c < 128;
        if (!ascii) {
            EXPECT_TRUE(line.find(L"CopyrightLabel") != std::wstring::npos ||
                        line.find(L"LicensedMemo") != std::wstring::npos) << Narrow(line);
        }
    }
    const auto t = CutLines(DecodeCaptionTable(bytes));
    EXPECT_EQ(GetCaptionFromLines(t, L"ZPMainForm", L"BenefitsDescription"),
              L"Zephrin will optimize this computer and modem's performance by adjusting several settings within "
              L"Windows.  These changes may increase your internet speed to run much faster.");
    EXPECT_EQ(GetCaptionFromLines(t, L"ZPMainForm", L"UpdatesButton"), L" &Check for updates ...");
    EXPECT_EQ(GetCaptionFromLines(t, L"ZPAboutForm", L"VersionLabel"), L"Zephrin 7  (Version : ");
    EXPECT_EQ(GetCaptionFromLines(t, L"ZPSettingsForm", L"MessageChange5"), L"Restoring modem settings");
    EXPECT_EQ(GetCaptionFromLines(t, L"ZPUpdateForm", L"MessageBoxUpdate2"),
              L"Do you want to download and install a new version of this software?");
}

TEST(CaptionTables, ShippedKoreanMirrorsEnglish) {
    const std::string bytes = ReadBytes("resources/captions/korean.tbl");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xFE);
    const auto ko = CutLines(DecodeCaptionTable(bytes));
    const auto en = CutLines(DecodeCaptionTable(ReadBytes("resources/captions/english.tbl")));
    ASSERT_EQ(ko.size(), en.size());
    for (size_t i = 0; i < ko.size(); ++i) {
        ASSERT_EQ(ko[i].empty(), en[i].empty()) << i;
        if (ko[i].empty()) continue;
        const auto k = Fields(ko[i]), e = Fields(en[i]);
        EXPECT_EQ(k[0], e[0]);
        EXPECT_EQ(k[1], e[1]);
        EXPECT_EQ(ko[i].back() == L' ', en[i].back() == L' ') << Narrow(ko[i]);
    }
    EXPECT_EQ(GetCaptionFromLines(ko, L"ZPMainForm", L"ZPMainForm"), L"Zephrin - \uB2F9\uC2E0\uC758 \uC778\uD130\uB137 \uC5F0\uACB0\uC744 \uBE60\uB974\uAC8C!");
    EXPECT_EQ(GetCaptionFromLines(ko, L"ZPMainForm", L"GoButton"), L"\uC9C0\uAE08 \uCD5C\uC801\uD654(&O)");
    EXPECT_EQ(GetCaptionFromLines(ko, L"ZPAboutForm", L"VersionLabel"), L"Zephrin 7  (\uBC84\uC83C : ");
}

namespace {

// A small form with one component of each kind the tables address.
class CaptionForm : public Form {
public:
    CaptionForm() : Form(FormArgs{L"ZPMainForm", L"TZPCaptionTest", 200, 100}) {
        Add<Label>(nullptr, L"FastLabel");
        Add<Button>(nullptr, L"GoButton")->bounds = {0, 0, 50, 20};
        Add<Picture>(nullptr, L"BackgroundImage", L"BACKGROUND")->bounds = {0, 0, 10, 10};
        Add<MenuItem>(nullptr, L"HelpFilePopup");
        Panel* p = Add<Panel>(nullptr, L"MainPanel");
        p->bounds = {0, 30, 100, 50};
        Add<Memo>(p, L"LicensedMemo")->bounds = {0, 0, 90, 40};
    }
};

class CaptionSelection : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramKey(); }
    void TearDown() override { ResetProgramKey(); }
    void Language(const wchar_t* value) { WriteSz(kProgramRoot, kProgramKeyPath, L"Language", value); }
};

}  // namespace

TEST_F(CaptionSelection, EnglishByDefaultKoreanInAnyCase) {
    EXPECT_EQ(CaptionOf(L"ZPMainForm", L"NavStatic2"), L"Home");
    Language(L"");
    EXPECT_EQ(CaptionOf(L"ZPMainForm", L"NavStatic2"), L"Home");
    for (const wchar_t* k : {L"korean", L"Korean", L"KOREAN"}) {
        Language(k);
        EXPECT_EQ(CaptionOf(L"ZPMainForm", L"NavStatic2"), L"\uD648\uD398\uC774\uC9C0") << Narrow(k);
    }
    EXPECT_EQ(CaptionOf(L"zpmainform", L"MESSAGEBOXRESET1"), L"\uC774 \uAE30\uB2A5\uC740 Zephrin\uC73C\uB85C \uC124\uC815\uB41C \uAC12\uC744 \uBAA8\uB450 \uCD08\uAE30\uD654\uD560 \uAC83\uC785\uB2C8\uB2E4.");
}

TEST_F(CaptionSelection, UnknownOrEmptyTableChangesNothing) {
    CaptionForm form;
    form.Create();
    form.SetTitle(L"designed");
    for (const wchar_t* lang : {L"french", L"emptytable"}) {
        Language(lang);
        ApplyCaptionLines(form, ProgramCaptionLines());
        EXPECT_EQ(form.Title(), L"designed") << Narrow(lang);
        EXPECT_EQ(form.Find(L"GoButton")->caption(), L"");
        EXPECT_EQ(CaptionOf(L"ZPMainForm", L"GoButton"), L"") << Narrow(lang);
    }
}

TEST_F(CaptionSelection, ApplyOnARealForm) {
    CaptionForm form;
    form.Create();
    Language(L"TestTable");
    ApplyCaptionLines(form, ProgramCaptionLines());
    EXPECT_EQ(form.Title(), L"Test title") << "only the exact-case title row sets the title";
    EXPECT_EQ(WindowText(form.FindAs<Button>(L"gobutton")->Handle()), L"Go second") << "later row wins";
    EXPECT_EQ(form.Find(L"FastLabel")->caption(), L"Fast") << "an unquoted blank splits fields";
    EXPECT_EQ(form.Find(L"BackgroundImage")->caption(), L"");
    EXPECT_EQ(CaptionOf(L"zpMAINform", L"messageboxreset1"), L"second");

    Language(L"english");
    ApplyCaptionLines(form, ProgramCaptionLines());
    EXPECT_EQ(form.Title(), L"Zephrin - Make your internet connection faster");
    EXPECT_EQ(form.Find(L"HelpFilePopup")->caption(), L"Get &help with Zephrin");
    EXPECT_EQ(form.Find(L"FastLabel")->caption(), L"Boost");
}

TEST_F(CaptionSelection, MemoTakesTheWholeParagraph) {
    class AboutLike : public Form {
    public:
        AboutLike() : Form(FormArgs{L"ZPAboutForm", L"TZPCaptionMemoTest", 300, 100}) {
            Add<Memo>(nullptr, L"LicensedMemo")->bounds = {0, 0, 290, 90};
        }
    } form;
    form.Create();
    ApplyCaptionLines(form, ProgramCaptionLines());
    auto* memo = form.FindAs<Memo>(L"LicensedMemo");
    EXPECT_EQ(memo->Text(), CaptionOf(L"ZPAboutForm", L"LicensedMemo"));
    EXPECT_NE(memo->Text().find(L"\u2122"), std::wstring::npos);
}

TEST(CaptionFailures, BrokenRowsEndThePassKeepingEarlierOnes) {
    const V lines{L"W, A, \"one\"", L"W, A, \"two\"", L"W", L"W, A, \"three\""};
    EXPECT_EQ(GetCaptionFromLines(lines, L"W", L"A"), L"two") << "a row without field 2 ends the pass";
    const V noText{L"W, A, \"one\"", L"W, A", L"W, A, \"three\""};
    EXPECT_EQ(GetCaptionFromLines(noText, L"W", L"A"), L"one");
    const V blanks{L"W, A, \"one\"", L"   ", L"W, A, \"three\""};
    EXPECT_EQ(GetCaptionFromLines(blanks, L"W", L"A"), L"one");
    const V other{L"X, A", L"W, A, \"fine\""};
    EXPECT_EQ(GetCaptionFromLines(other, L"W", L"A"), L"fine") << "rows of other windows are passed over";
}
