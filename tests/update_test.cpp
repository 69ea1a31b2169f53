#include <gtest/gtest.h>

#include "harness.h"
#include "recording_actions.h"
#include "platform/program_key.h"
#include "platform/timestamps.h"
#include "platform/folders.h"
#include "app/update_flows.h"

using namespace zephrin;
using namespace zephrin::test;

TEST(UpdateMarkers, SearchedInOrderAfterTrimming) {
    EXPECT_EQ(FindUpdateMarker(L" \r\n\tORVANE|1 \r\n"), 1);
    EXPECT_EQ(FindUpdateMarker(L"orvane|1"), -1);
    EXPECT_EQ(FindUpdateMarker(L"xxORVANE|2yy"), 2);
    EXPECT_EQ(FindUpdateMarker(L"ORVANE|2 ORVANE|1"), 1);
    EXPECT_EQ(FindUpdateMarker(L"ORVANE|1 ORVANE|0"), 0);
    EXPECT_EQ(FindUpdateMarker(L""), -1);
    EXPECT_EQ(FindUpdateMarker(L"ORVANE|3"), -1);
}

TEST(UpdateSchedule, WholeDaysEitherWay) {
    const DateTime now = DateTimeFromTimestamp(1400000000);
    EXPECT_EQ(WholeDaysBetween(now, now - 45.99), 45);
    EXPECT_EQ(WholeDaysBetween(now, now + 46.0), 46);
    const auto stamp = [&](double days) { return std::to_wstring(1400000000 - static_cast<long long>(days * 86400)); };
    EXPECT_EQ(UpdateCheckDue(stamp(45 + 23.0 / 24), now), std::optional<bool>(false));
    EXPECT_EQ(UpdateCheckDue(stamp(46), now), std::optional<bool>(true));
    EXPECT_EQ(UpdateCheckDue(stamp(-46), now), std::optional<bool>(true)) << "the future counts the same";
    EXPECT_EQ(UpdateCheckDue(stamp(0), now), std::optional<bool>(false));
    EXPECT_FALSE(UpdateCheckDue(L"", now).has_value());
    EXPECT_FALSE(UpdateCheckDue(L"soon", now).has_value());
    EXPECT_EQ(UpdateCheckDue(L"1/1/2010", now), std::optional<bool>(true)) << "date texts are parsed";
}

namespace {

class ScheduleTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramKey(); }
    void TearDown() override { ResetProgramKey(); }
    Recorder recorder;
};

std::wstring DaysAgo(double days) {
    return std::to_wstring(*ParseTimestamp(CurrentTimestampString()) - static_cast<long long>(days * 86400));
}

}  // namespace

TEST_F(ScheduleTest, StartsTheCheckAfter45Days) {
    Actions a = recorder.Make();
    EXPECT_TRUE(CheckUpdateSchedule(a));
    EXPECT_TRUE(recorder.log.empty()) << "no UpdatedDate: never";
    WriteSz(kProgramRoot, kProgramKeyPath, L"UpdatedDate", DaysAgo(45 + 23.0 / 24));
    EXPECT_TRUE(CheckUpdateSchedule(a));
    EXPECT_TRUE(recorder.log.empty());
    WriteSz(kProgramRoot, kProgramKeyPath, L"UpdatedDate", DaysAgo(46.01));
    EXPECT_TRUE(CheckUpdateSchedule(a));
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{L"run:" + ProgramFolder() + L"Zephrin.exe|/checkupdate"}));
    recorder.log.clear();
    WriteSz(kProgramRoot, kProgramKeyPath, L"UpdatedDate", DaysAgo(-46.01));
    EXPECT_TRUE(CheckUpdateSchedule(a));
    EXPECT_EQ(recorder.log.size(), 1u);
    recorder.log.clear();
    WriteSz(kProgramRoot, kProgramKeyPath, L"UpdatedDate", L"garbage");
    EXPECT_FALSE(CheckUpdateSchedule(a)) << "ends the caller's creation sequence";
    EXPECT_TRUE(recorder.log.empty());
}

TEST_F(ScheduleTest, ModeAsksOnlyForAnAvailableUpdate) {
    recorder.answers = {IDNO};
    Actions a = recorder.Make();
    recorder.updateResult = 0;
    RunUpdateCheckMode(a);
    EXPECT_TRUE(recorder.log.empty());
    recorder.updateResult = 1;
    RunUpdateCheckMode(a);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].owner, nullptr);
    EXPECT_EQ(recorder.boxes[0].style, static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION));
    EXPECT_EQ(recorder.boxes[0].title, L"Zephrin - Make your internet connection faster");
    EXPECT_EQ(recorder.boxes[0].text, L"An update for this software is available to download.\r\n\r\n"
                                      L"Do you want to download and install a new version of this software?");
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{L"box"})) << "No starts nothing";
    recorder.answers = {IDYES};
    RunUpdateCheckMode(a);
    EXPECT_EQ(recorder.log.back(), L"run:" + ProgramFolder() + L"ZephrinUpdate.exe|");
}
