// The caption tables against their declarations: exactly the declared rows, in
// their order and groups, in both languages; and every text declared fixed,
// word for word in both languages, checked against the tables' bytes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/caption_keys.h"
#include "harness.h"
#include "ui/captions.h"

using namespace zephrin;
using namespace zephrin::ui;

namespace {

struct Text {
    const wchar_t* window;
    const wchar_t* key;
    const wchar_t* text;
};

const Text kEnglishTexts[] = {
    {L"ZPMainForm", L"ZPMainForm", L"Zephrin - Make your internet connection faster"},
    {L"ZPMainForm", L"BenefitsLabel", L"Benefits of Zephrin"},
    {L"ZPMainForm", L"BenefitsDescription", L"Zephrin will optimize this computer and modem's performance by adjusting several settings within Windows.  These changes may increase your internet speed to run much faster."},
    {L"ZPMainForm", L"OSVersionLabel", L"Operating System : "},
    {L"ZPMainForm", L"ModemTypeLabel", L"Internet Type : "},
    {L"ZPMainForm", L"SpeedLabel", L"Speed Setting : "},
    {L"ZPMainForm", L"FastLabel", L"Boost"},
    {L"ZPMainForm", L"FasterLabel", L"Maximum Boost"},
    {L"ZPMainForm", L"VersionInstalledLabel", L"Version installed : "},
    {L"ZPMainForm", L"SoftwareLastUpdateLabel", L"Last updated : "},
    {L"ZPMainForm", L"NavStatic1", L"Help"},
    {L"ZPMainForm", L"NavStatic2", L"Home"},
    {L"ZPMainForm", L"NavStatic3", L"Support"},
    {L"ZPMainForm", L"NavStatic4", L"About"},
    {L"ZPMainForm", L"NavLabel2", L"Choose a link below"},
    {L"ZPMainForm", L"LinkLabel4", L"Help with Zephrin"},
    {L"ZPMainForm", L"LinkLabel5", L"Contact tech support"},
    {L"ZPMainForm", L"LinkLabel6", L"Click to visit our website"},
    {L"ZPMainForm", L"LinkLabel7", L"About Zephrin"},
    {L"ZPMainForm", L"GoButton", L"&Optimize now"},
    {L"ZPMainForm", L"RestoreButton", L"&Restore"},
    {L"ZPMainForm", L"UpdatesButton", L" &Check for updates ..."},
    {L"ZPMainForm", L"HelpFilePopup", L"Get &help with Zephrin"},
    {L"ZPMainForm", L"TechSupportPopup", L"&Contact technical support"},
    {L"ZPMainForm", L"MessageBoxReset1", L"This will restore all changes made to the computer's internet settings to their original recommended values."},
    {L"ZPMainForm", L"MessageBoxReset2", L"Click OK to continue."},
    {L"ZPMainForm", L"MessageBoxChangeRestart1", L"The changes to the computer's internet settings have finished."},
    {L"ZPMainForm", L"MessageBoxChangeRestart2", L"You will need to restart Windows for the changes to become active."},
    {L"ZPMainForm", L"MessageBoxChangeRestart3", L"Click Yes to restart the computer now, or click No to restart later."},
    {L"ZPAboutForm", L"ZPAboutForm", L"About Zephrin"},
    {L"ZPAboutForm", L"BannerLabel", L"More information about this software"},
    {L"ZPAboutForm", L"VersionLabel", L"Zephrin 7  (Version : "},
    {L"ZPAboutForm", L"LicenseAgreementLabel", L"Click to view the end-user license terms"},
    {L"ZPAboutForm", L"CopyrightWarningLabel", L""},
    {L"ZPAboutForm", L"HelpButton", L"&Help"},
    {L"ZPAboutForm", L"CloseButton", L"&Close"},
    {L"ZPSettingsForm", L"ZPSettingsForm", L"Updating computer's internet settings"},
    {L"ZPSettingsForm", L"MessageUpdate", L"Optimizing the computer's internet settings"},
    {L"ZPSettingsForm", L"MessageRestore", L"Restoring the computer's internet settings"},
    {L"ZPSettingsForm", L"MessageChange1", L"Finding computer information"},
    {L"ZPSettingsForm", L"MessageChange2", L"Finding modem information"},
    {L"ZPSettingsForm", L"MessageChange3", L"Backing up modem settings"},
    {L"ZPSettingsForm", L"MessageChange4", L"Writing new modem settings"},
    {L"ZPSettingsForm", L"MessageChange5", L"Restoring modem settings"},
    {L"ZPUpdateForm", L"MessageBoxUpdate1", L"An update for this software is available to download."},
    {L"ZPUpdateForm", L"MessageBoxUpdate2", L"Do you want to download and install a new version of this software?"},
};
const Text kKoreanTexts[] = {
    {L"ZPMainForm", L"ZPMainForm", L"Zephrin - \uB2F9\uC2E0\uC758 \uC778\uD130\uB137 \uC5F0\uACB0\uC744 \uBE60\uB974\uAC8C!"},
    {L"ZPMainForm", L"BenefitsLabel", L"Zephrin\uC758 \uC7A5\uC810"},
    {L"ZPMainForm", L"BenefitsDescription", L"Zephrin\uC740 Windows \uB0B4\uC5D0\uC11C \uBA87 \uAC00\uC9C0 \uC124\uC815\uC744 \uBCC0\uACBD\uD558\uC5EC \uC778\uD130\uB137 \uC18D\uB3C4\uB97C \uD5A5\uC0C1\uC2DC\uD0B5\uB2C8\uB2E4."},
    {L"ZPMainForm", L"OSVersionLabel", L"\uC6B4\uC601 \uCCB4\uC81C : "},
    {L"ZPMainForm", L"ModemTypeLabel", L"\uC778\uD130\uB137 \uD0C0\uC785 : "},
    {L"ZPMainForm", L"SpeedLabel", L"\uC18D\uB3C4 \uC124\uC815 : "},
    {L"ZPMainForm", L"FastLabel", L"\uBE60\uB974\uAC8C"},
    {L"ZPMainForm", L"FasterLabel", L"\uB9E4\uC6B0 \uBE60\uB974\uAC8C"},
    {L"ZPMainForm", L"VersionInstalledLabel", L"\uC124\uCE58\uB41C \uBC84\uC804 : "},
    {L"ZPMainForm", L"SoftwareLastUpdateLabel", L"\uCD5C\uADFC \uC5C5\uB370\uC774\uD2B8 : "},
    {L"ZPMainForm", L"NavStatic1", L"\uB3C4\uC6C0\uB9D0"},
    {L"ZPMainForm", L"NavStatic2", L"\uD648\uD398\uC774\uC9C0"},
    {L"ZPMainForm", L"NavStatic3", L"\uC9C0\uC6D0"},
    {L"ZPMainForm", L"NavStatic4", L"\uC815\uBCF4"},
    {L"ZPMainForm", L"NavLabel2", L"\uC544\uB798 \uB9C1\uD06C \uC120\uD0DD"},
    {L"ZPMainForm", L"LinkLabel4", L"Zephrin \uB3C4\uC6C0\uB9D0"},
    {L"ZPMainForm", L"LinkLabel5", L"\uAE30\uC220 \uC9C0\uC6D0 \uC5F0\uB77D"},
    {L"ZPMainForm", L"LinkLabel6", L"\uC6F9\uC0AC\uC774\uD2B8 \uBC29\uBB38"},
    {L"ZPMainForm", L"LinkLabel7", L"Zephrin \uC815\uBCF4"},
    {L"ZPMainForm", L"GoButton", L"\uC9C0\uAE08 \uCD5C\uC801\uD654(&O)"},
    {L"ZPMainForm", L"RestoreButton", L"\uCD08\uAE30\uD654(&R)"},
    {L"ZPMainForm", L"UpdatesButton", L" \uC5C5\uB370\uC774\uD2B8 \uCCB4\uD06C(&C) ..."},
    {L"ZPMainForm", L"HelpFilePopup", L"Zephrin \uB3C4\uC6C0\uB9D0(&H)"},
    {L"ZPMainForm", L"TechSupportPopup", L"\uAE30\uC220 \uC9C0\uC6D0 \uC5F0\uB77D(&C)"},
    {L"ZPMainForm", L"MessageBoxReset1", L"\uC774 \uAE30\uB2A5\uC740 Zephrin\uC73C\uB85C \uC124\uC815\uB41C \uAC12\uC744 \uBAA8\uB450 \uCD08\uAE30\uD654\uD560 \uAC83\uC785\uB2C8\uB2E4."},
    {L"ZPMainForm", L"MessageBoxReset2", L"\uACC4\uC18D\uD558\uC2DC\uB824\uBA74 OK\uB97C \uD074\uB9AD\uD558\uC2ED\uC2DC\uC624."},
    {L"ZPMainForm", L"MessageBoxChangeRestart1", L"\uC778\uD130\uB137 \uC124\uC815\uC744 \uC644\uB8CC\uD558\uC600\uC2B5\uB2C8\uB2E4."},
    {L"ZPMainForm", L"MessageBoxChangeRestart2", L"\uC644\uBCBD\uD55C \uCD5C\uC801\uD654\uB97C \uC704\uD574\uC11C\uB294 Windows\uB97C \uC7AC\uC2DC\uC791\uD574\uC57C \uD569\uB2C8\uB2E4."},
    {L"ZPMainForm", L"MessageBoxChangeRestart3", L"\uC9C0\uAE08 \uC7AC\uC2DC\uC791\uD558\uC2DC\uB824\uBA74 Yes\uB97C, \uB098\uC911\uC5D0 \uD558\uC2DC\uB824\uBA74 NO\uB97C \uD074\uB9AD\uD558\uC2ED\uC2DC\uC624."},
    {L"ZPAboutForm", L"ZPAboutForm", L"Zephrin \uC815\uBCF4"},
    {L"ZPAboutForm", L"BannerLabel", L"\uC774 \uD504\uB85C\uADF8\uB7A8\uC758 \uB354 \uB9CE\uC740 \uC815\uBCF4"},
    {L"ZPAboutForm", L"VersionLabel", L"Zephrin 7  (\uBC84\uC83C : "},
    {L"ZPAboutForm", L"LicenseAgreementLabel", L"\uCD5C\uC885 \uC18C\uBE44\uC790 \uACC4\uC57D \uB0B4\uC6A9\uC744 \uBCF4\uC2DC\uB824\uBA74 \uD074\uB9AD\uD558\uC138\uC694"},
    {L"ZPAboutForm", L"CopyrightWarningLabel", L""},
    {L"ZPAboutForm", L"HelpButton", L"\uB3C4\uC6C0\uB9D0(&H)"},
    {L"ZPAboutForm", L"CloseButton", L"\uB2EB\uAE30(&C)"},
    {L"ZPSettingsForm", L"ZPSettingsForm", L"\uC778\uD130\uB137 \uC124\uC815"},
    {L"ZPSettingsForm", L"MessageUpdate", L"\uC778\uD130\uB137 \uC124\uC815\uC744 \uCD5C\uC801\uD654\uD558\uB294 \uC911"},
    {L"ZPSettingsForm", L"MessageRestore", L"\uC778\uD130\uB137 \uC124\uC815\uC744 \uBCF5\uC6D0\uD558\uB294 \uC911"},
    {L"ZPSettingsForm", L"MessageChange1", L"\uCEF4\uD4E8\uD130 \uC815\uBCF4\uB97C \uAC80\uC0C9\uD558\uB294 \uC911"},
    {L"ZPSettingsForm", L"MessageChange2", L"\uBAA8\uB380 \uC815\uBCF4\uB97C \uAC80\uC0C9\uD558\uB294 \uC911"},
    {L"ZPSettingsForm", L"MessageChange3", L"\uBAA8\uB380 \uC124\uC815\uC744 \uBC31\uC5C5\uD558\uB294 \uC911"},
    {L"ZPSettingsForm", L"MessageChange4", L"\uC0C8\uB85C\uC6B4 \uBAA8\uB380 \uC124\uC815\uC744 \uC4F0\uB294 \uC911"},
    {L"ZPSettingsForm", L"MessageChange5", L"\uBAA8\uB380 \uC124\uC815\uC744 \uBCF5\uC6D0\uD558\uB294 \uC911"},
    {L"ZPUpdateForm", L"MessageBoxUpdate1", L"\uC5C5\uB370\uC774\uD2B8\uB97C \uB2E4\uC6B4\uB85C\uB4DC\uD560 \uC218 \uC788\uC2B5\uB2C8\uB2E4."},
    {L"ZPUpdateForm", L"MessageBoxUpdate2", L"\uC0C8 \uBC84\uC804\uC744 \uB2E4\uC6B4\uB85C\uB4DC\uD558\uACE0 \uC124\uCE58\uD558\uC2DC\uACA0\uC2B5\uB2C8\uAE4C?"},
};

std::vector<std::wstring> Table(const char* file) {
    std::ifstream in(std::string(ZEPHRIN_SOURCE_DIR) + "/resources/captions/" + file, std::ios::binary);
    return CutLines(DecodeCaptionTable(std::string(std::istreambuf_iterator<char>(in), {})));
}

void ExpectAll(const std::vector<std::wstring>& table, const Text* begin, const Text* end) {
    for (const Text* t = begin; t != end; ++t)
        EXPECT_EQ(GetCaptionFromLines(table, t->window, t->key), t->text)
            << test::Narrow(t->window) << " / " << test::Narrow(t->key);
}

// The rows of a table as (window, key, blank after the closing quote), with an empty window between groups.
struct Row {
    std::wstring window, key;
    bool blankAfterQuote;
    bool operator==(const Row& o) const {
        return window == o.window && key == o.key && blankAfterQuote == o.blankAfterQuote;
    }
};
std::vector<Row> Rows(const std::vector<std::wstring>& table) {
    std::vector<Row> rows;
    for (const std::wstring& line : table) {
        if (line.empty()) {
            rows.push_back({L"", L"", false});
            continue;
        }
        const SplitLine split = SplitCaptionLine(line);
        rows.push_back({split.fields.size() > 0 ? split.fields[0] : L"(none)",
                        split.fields.size() > 1 ? split.fields[1] : L"(none)", line.back() == L' '});
    }
    return rows;
}

std::vector<Row> DeclaredRows() {
    std::vector<Row> rows;
    for (const DeclaredCaption& d : kDeclaredCaptions) {
        if (!rows.empty() && rows.back().window != d.key.window) rows.push_back({L"", L"", false});
        rows.push_back({d.key.window, d.key.key, d.blankAfterQuote});
    }
    return rows;
}

std::string Describe(const std::vector<Row>& rows) {
    std::string out;
    for (const Row& r : rows) out += test::Narrow(r.window + L", " + r.key) + (r.blankAfterQuote ? " (blank)\n" : "\n");
    return out;
}

bool Checks(const Text* begin, const Text* end, const CaptionKey& key) {
    for (const Text* t = begin; t != end; ++t)
        if (std::wstring(t->window) == key.window && std::wstring(t->key) == key.key) return true;
    return false;
}

}  // namespace

TEST(CaptionTexts, EachTableHoldsExactlyTheDeclaredRows) {
    const std::vector<Row> declared = DeclaredRows();
    for (const char* file : {"english.tbl", "korean.tbl"}) {
        const std::vector<Row> rows = Rows(Table(file));
        EXPECT_EQ(rows, declared) << file << ":\n" << Describe(rows);
    }
}

TEST(CaptionTexts, EveryTextDeclaredFixedIsCheckedInBothLanguages) {
    int fixed = 0;
    for (const DeclaredCaption& d : kDeclaredCaptions) {
        if (d.kind != CaptionKind::Fixed) continue;
        ++fixed;
        EXPECT_TRUE(Checks(std::begin(kEnglishTexts), std::end(kEnglishTexts), d.key)) << test::Narrow(d.key.key);
        EXPECT_TRUE(Checks(std::begin(kKoreanTexts), std::end(kKoreanTexts), d.key)) << test::Narrow(d.key.key);
    }
    EXPECT_EQ(fixed, static_cast<int>(std::size(kEnglishTexts)));
    EXPECT_EQ(fixed, static_cast<int>(std::size(kKoreanTexts)));
}

TEST(CaptionTexts, EnglishTableHoldsEveryText) {
    ExpectAll(Table("english.tbl"), std::begin(kEnglishTexts), std::end(kEnglishTexts));
}

TEST(CaptionTexts, KoreanTableHoldsEveryText) {
    ExpectAll(Table("korean.tbl"), std::begin(kKoreanTexts), std::end(kKoreanTexts));
}
