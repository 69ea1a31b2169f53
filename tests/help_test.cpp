// The help files in both languages: every topic is there, every link between
// topics leads somewhere, the table of values is the program's plan, and the
// table of which Windows uses each value is the program's verdicts.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <regex>

#include "features/tuning_plan.h"
#include "features/value_verdicts.h"
#include "harness.h"
#include "platform/folders.h"

using namespace zephrin;
using namespace zephrin::test;

namespace {

const char* const kTopics[] = {"main",    "settings", "changes",   "connections", "windows",         "restore",
                               "restart", "updates",  "uninstall", "commandline", "troubleshooting", "support"};
const char* const kLanguages[] = {"english", "korean"};

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The compiled pages of a language, as the build wrote them before compiling.
std::string PageFolder(const std::string& language) {
    return std::string("Z:") + ZEPHRIN_HELP_WORK_DIR + "/" + language + "/html/";
}

}  // namespace

TEST(HelpFiles, EveryTopicInBothLanguagesInBothCompiledFiles) {
    for (const auto& [file, language] : {std::pair{L"Zephrin.chm", "english"}, {L"Zephrin-korean.chm", "korean"}}) {
        SCOPED_TRACE(language);
        const std::string chm = ReadBytes(Narrow(ProgramFolder() + file));
        ASSERT_EQ(chm.compare(0, 4, "ITSF"), 0);
        // The directory lists each entry as a length byte and its name.
        auto listed = [&](const std::string& name) {
            return chm.find(std::string(1, static_cast<char>(name.size())) + name) != std::string::npos;
        };
        for (const char* topic : kTopics) {
            EXPECT_TRUE(listed(std::string("/html/") + topic + ".htm")) << topic;
            EXPECT_NE(ReadBytes(PageFolder(language) + topic + ".htm").find("<h1>"), std::string::npos) << topic;
        }
        EXPECT_FALSE(listed("/html/nothing.htm"));
        EXPECT_NE(chm.find(std::string("HelpWindow\0", 11)), std::string::npos) << "the window type F1 asks for";
    }
}

TEST(HelpFiles, EveryLinkBetweenTopicsResolves) {
    const std::regex link(R"(href="([^"]*)\")");
    for (const char* language : kLanguages) {
        for (const char* topic : kTopics) {
            const std::string page = ReadBytes(PageFolder(language) + topic + ".htm");
            for (auto it = std::sregex_iterator(page.begin(), page.end(), link); it != std::sregex_iterator(); ++it) {
                const std::string target = (*it)[1];
                if (target.rfind("http:", 0) == 0 || target.rfind("https:", 0) == 0) continue;
                const std::string file = target.substr(0, target.find('#'));
                // "#anchor" alone points into the same page.
                const std::string linked = file.empty() ? page : ReadBytes(PageFolder(language) + file);
                EXPECT_FALSE(linked.empty()) << language << "/" << topic << " links to " << target;
                if (target.find('#') != std::string::npos) {
                    const std::string anchor = target.substr(target.find('#') + 1);
                    EXPECT_NE(linked.find("id=\"" + anchor + "\""), std::string::npos)
                        << language << "/" << topic << " links to " << target;
                }
            }
        }
    }
}

// The ids the commands take, as the program reads them.
TEST(HelpFiles, TheCommandLinePageNamesEveryTypeAndLevelTheCommandsTake) {
    for (const char* language : kLanguages) {
        SCOPED_TRACE(language);
        const std::string page = ReadBytes(PageFolder(language) + "commandline.htm");
        const std::regex id(R"(<tr><td><code>([a-z0-9]+)</code></td><td>)");
        std::vector<std::string> listed;
        for (auto it = std::sregex_iterator(page.begin(), page.end(), id); it != std::sregex_iterator(); ++it)
            listed.push_back((*it)[1]);
        std::vector<std::string> declared;
        for (const ConnectionType& type : kConnectionTypes) declared.push_back(type.id);
        EXPECT_EQ(listed, declared);
        for (const char* level : kSpeedLevelIds)
            EXPECT_NE(page.find(std::string("<code>") + level + "</code>"), std::string::npos) << level;
    }
}

TEST(HelpFiles, ValueTableIsTheTuningPlan) {
    const std::regex row(
        R"re(<tr data-value="([A-Za-z0-9_]+)" data-boost="([0-9]+)" data-maximum="([0-9]+)" data-every-row="(true|false)">)re");
    const auto all = AllTunedValues();
    const auto boost = TunedValuesFor(0, 0);
    const auto maximum = TunedValuesFor(0, 1);
    const auto dialUp = TunedValuesFor(connection::dialup, 1);
    for (const char* language : kLanguages) {
        SCOPED_TRACE(language);
        const std::string page = ReadBytes(PageFolder(language) + "settings.htm");
        size_t i = 0;
        for (auto it = std::sregex_iterator(page.begin(), page.end(), row); it != std::sregex_iterator(); ++it, ++i) {
            ASSERT_LT(i, all.size()) << "more rows than values";
            const std::string name = Narrow(all[i].name);
            EXPECT_EQ((*it)[1], name) << "row " << i;
            EXPECT_EQ(std::stol((*it)[2]), boost[i].data) << name;
            EXPECT_EQ(std::stol((*it)[3]), maximum[i].data) << name;
            bool forDialUp = false;
            for (const TunedValue& v : dialUp) forDialUp = forDialUp || Narrow(v.name) == name;
            EXPECT_EQ((*it)[4] == "true", forDialUp) << name;
        }
        EXPECT_EQ(i, all.size()) << "one row for each value";
    }
}

TEST(HelpFiles, WindowsTableIsTheProgramsVerdicts) {
    const std::regex row(R"re(<tr data-value="([A-Za-z0-9_]+)">(.*?)</tr>)re");
    const std::regex cell(R"re(data-verdict="([a-z]+)")re");
    const std::map<std::string, Verdict> words = {
        {"used", Verdict::Used}, {"wininet", Verdict::WinInetOnly}, {"ignored", Verdict::Ignored}, {"unknown", Verdict::NotKnown}};
    const auto all = AllTunedValues();
    for (const char* language : kLanguages) {
        SCOPED_TRACE(language);
        const std::string page = ReadBytes(PageFolder(language) + "windows.htm");
        size_t i = 0;
        for (auto it = std::sregex_iterator(page.begin(), page.end(), row); it != std::sregex_iterator(); ++it, ++i) {
            ASSERT_LT(i, all.size()) << "more rows than values";
            const std::string name = (*it)[1];
            EXPECT_EQ(name, Narrow(all[i].name)) << "row " << i << " in the plan's order";
            const std::string cells = (*it)[2];
            int column = 0;
            for (auto c = std::sregex_iterator(cells.begin(), cells.end(), cell); c != std::sregex_iterator(); ++c, ++column) {
                ASSERT_LT(column, static_cast<int>(kVerdictColumns)) << name;
                ASSERT_EQ(words.count((*c)[1]), 1u) << name << ": " << (*c)[1];
                EXPECT_EQ(words.at((*c)[1]), VerdictFor(all[i].name, static_cast<VerdictColumn>(column)))
                    << name << " in column " << column;
            }
            EXPECT_EQ(column, static_cast<int>(kVerdictColumns)) << name << ": one verdict for each version";
        }
        EXPECT_EQ(i, all.size()) << "one row for each value";
    }
}
