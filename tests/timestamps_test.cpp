#include <gtest/gtest.h>

#include <climits>

#include "platform/timestamps.h"

using namespace zephrin;

namespace {

SYSTEMTIME At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(mo);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(h);
    st.wMinute = static_cast<WORD>(mi);
    st.wSecond = static_cast<WORD>(s);
    st.wMilliseconds = static_cast<WORD>(ms);
    return st;
}

}  // namespace

TEST(Timestamps, DayCountMatchesTheFixedEpochs) {
    EXPECT_DOUBLE_EQ(DateTimeFromSystemTime(At(1899, 12, 30)), 0.0);
    EXPECT_DOUBLE_EQ(DateTimeFromSystemTime(At(1970, 1, 1)), 25569.0);
    EXPECT_DOUBLE_EQ(DateTimeFromSystemTime(At(1970, 1, 2, 12)), 25570.5);
    const SYSTEMTIME back = SystemTimeFromDateTime(DateTimeFromSystemTime(At(2014, 8, 18, 23, 59, 58, 999)));
    EXPECT_EQ(back.wYear, 2014);
    EXPECT_EQ(back.wMonth, 8);
    EXPECT_EQ(back.wDay, 18);
    EXPECT_EQ(back.wHour, 23);
    EXPECT_EQ(back.wMinute, 59);
    EXPECT_EQ(back.wSecond, 58);
    EXPECT_EQ(back.wMilliseconds, 999);
    EXPECT_EQ(back.wDayOfWeek, 1) << "a Monday";
}

TEST(Timestamps, LocalWallClockSecondsFromTheEpoch) {
    EXPECT_EQ(TimestampFromDateTime(DateTimeFromSystemTime(At(1970, 1, 2))), 86400);
    EXPECT_EQ(TimestampFromDateTime(DateTimeFromSystemTime(At(1970, 1, 2, 0, 0, 1))), 86401);
    EXPECT_EQ(TimestampFromDateTime(DateTimeFromSystemTime(At(1969, 12, 31, 23, 59, 59))), -1);
    EXPECT_EQ(TimestampFromDateTime(DateTimeFromSystemTime(At(2038, 1, 19, 3, 14, 7))), INT_MAX);
}

TEST(Timestamps, FractionsRoundToTheNearestSecond) {
    EXPECT_EQ(TimestampFromDateTime(DateTimeFromSystemTime(At(1970, 1, 1, 0, 0, 0, 499))), 0);
    EXPECT_EQ(TimestampFromDateTime(DateTimeFromSystemTime(At(1970, 1, 1, 0, 0, 2, 501))), 3);
    EXPECT_EQ(TimestampFromDateTime(DateTimeFromSystemTime(At(1969, 12, 31, 23, 59, 59, 600))), 0);
}

TEST(Timestamps, MomentsPast2038SaturateInsteadOfWrapping) {
    EXPECT_EQ(TimestampFromDateTime(DateTimeFromSystemTime(At(2038, 1, 19, 3, 14, 8))), INT_MAX);
    EXPECT_EQ(TimestampFromDateTime(DateTimeFromSystemTime(At(2100, 1, 1))), INT_MAX);
    EXPECT_EQ(TimestampFromDateTime(DateTimeFromSystemTime(At(1800, 1, 1))), INT_MIN);
}

TEST(Timestamps, ParsingIsStrictDecimal) {
    EXPECT_EQ(ParseTimestamp(L"86400"), std::optional<int32_t>(86400));
    EXPECT_EQ(ParseTimestamp(L"-5"), std::optional<int32_t>(-5));
    EXPECT_EQ(ParseTimestamp(L"2147483647"), std::optional<int32_t>(INT_MAX));
    EXPECT_EQ(ParseTimestamp(L"-2147483648"), std::optional<int32_t>(INT_MIN));
    for (const wchar_t* bad : {L"", L"-", L"2147483648", L"12a", L" 12", L"1e5", L"0x10", L"99999999999999999999"})
        EXPECT_FALSE(ParseTimestamp(bad).has_value()) << testing::PrintToString(std::wstring(bad));
}

TEST(Timestamps, DateTextOfMidnightHoldsTheDateAlone) {
    EXPECT_EQ(TimestampToDateText(L"86400"), L"1/2/1970");
    EXPECT_EQ(TimestampToDateText(L"86461"), L"1/2/1970 12:01:01 AM");
    EXPECT_EQ(TimestampToDateText(L"1/2/1970"), L"1/2/1970") << "date texts pass unchanged";
    EXPECT_EQ(TimestampToDateText(L"junk:text"), L"junk:text");
    EXPECT_EQ(TimestampToDateText(L""), L"");
    EXPECT_EQ(TimestampToDateText(L"soon"), L"");
}

TEST(Timestamps, DisplayTextUsesTheLongFormats) {
    EXPECT_EQ(FormatTimestamp(L"86400"), L"Friday, January 2, 1970 - 12:00:00 AM");
    EXPECT_EQ(FormatTimestamp(L"1408406400"), L"Tuesday, August 19, 2014 - 12:00:00 AM");
    EXPECT_EQ(FormatTimestamp(L"8/18/2014 3:04:05 PM"), L"Monday, August 18, 2014 - 3:04:05 PM");
    EXPECT_EQ(FormatTimestamp(L"8/18/2014 12:30:00 AM"), L"Monday, August 18, 2014 - 12:30:00 AM");
    EXPECT_EQ(FormatTimestamp(L"8/18/2014 12:30:00 PM"), L"Monday, August 18, 2014 - 12:30:00 PM");
    EXPECT_EQ(FormatTimestamp(L"8/18/14"), L"Monday, August 18, 2014 - 12:00:00 AM") << "a text not ours";
    EXPECT_EQ(FormatTimestamp(L"2/30/2014 1:00:00 AM"), L"") << "no such day";
    EXPECT_EQ(FormatTimestamp(L""), L"");
    EXPECT_EQ(FormatTimestamp(L"not a number"), L"");
    EXPECT_EQ(FormatTimestamp(L"99/99/9999"), L"") << "a date text the locale cannot read";
}

TEST(Timestamps, CurrentStringIsTheLocalClock) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const auto stamp = ParseTimestamp(CurrentTimestampString());
    ASSERT_TRUE(stamp.has_value());
    EXPECT_NEAR(*stamp, TimestampFromDateTime(DateTimeFromSystemTime(now)), 2);
}
