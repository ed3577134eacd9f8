// SystemTimeToVariantTime and VariantTimeToSystemTime: the epoch, negative dates, the
// range, two-digit years, rolled-over fields and rounding to the second.
#include <gtest/gtest.h>

#include <cmath>

#include <tavlinport/windows.h>

#include "test_names.h"

namespace {

SYSTEMTIME make_time(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0,
                     WORD milliseconds = 0)
{
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    st.wSecond = second;
    st.wMilliseconds = milliseconds;
    return st;
}

struct ToDateRow {
    const char *behaviour;
    SYSTEMTIME time;
    INT ok;
    double date;
};

const ToDateRow kToDateRows[] = {
    {"epoch", make_time(1899, 12, 30), TRUE, 0.0},
    {"the day after the epoch", make_time(1899, 12, 31), TRUE, 1.0},
    {"noon on 1 January 2000", make_time(2000, 1, 1, 12), TRUE, 36526.5},
    {"time before the epoch counts backwards", make_time(1899, 12, 29, 6), TRUE, -1.25},
    {"first day of year 100", make_time(100, 1, 1), TRUE, -657434.0},
    {"last day of year 9999", make_time(9999, 12, 31), TRUE, 2958465.0},
    {"two digit year 49 is 2049", make_time(49, 1, 1), TRUE, 54424.0},
    {"two digit year 50 is 1950", make_time(50, 1, 1), TRUE, 18264.0},
    {"30 February rolls over", make_time(2001, 2, 30), TRUE, 36952.0},
    {"hour 24 rolls over", make_time(2000, 1, 1, 24), TRUE, 36527.0},
    {"milliseconds are ignored", make_time(2000, 1, 1, 0, 0, 0, 999), TRUE, 36526.0},
    {"month 13 is refused", make_time(2000, 13, 1), FALSE, 0.0},
    {"day 32 is refused", make_time(2000, 1, 32), FALSE, 0.0},
    {"year 10000 is refused", make_time(10000, 1, 1), FALSE, 0.0},
    {"year 65535 is refused", make_time(0xffff, 1, 1), FALSE, 0.0},
};

class ToVariantTime : public testing::TestWithParam<ToDateRow> {};

TEST_P(ToVariantTime, ConvertsOrRefuses)
{
    const ToDateRow &row = GetParam();
    SYSTEMTIME st = row.time;
    double date = -99.0;
    EXPECT_EQ(SystemTimeToVariantTime(&st, &date), row.ok);
    if (row.ok)
        EXPECT_DOUBLE_EQ(date, row.date);
    else
        EXPECT_EQ(date, -99.0);
}

INSTANTIATE_TEST_SUITE_P(Rows, ToVariantTime, testing::ValuesIn(kToDateRows),
                         test_names::by_field<&ToDateRow::behaviour>);

struct FromDateRow {
    const char *behaviour;
    double date;
    INT ok;
    SYSTEMTIME time;
    WORD day_of_week;
};

const FromDateRow kFromDateRows[] = {
    {"epoch", 0.0, TRUE, make_time(1899, 12, 30), 6},
    {"noon on 1 January 2000", 36526.5, TRUE, make_time(2000, 1, 1, 12), 6},
    {"time before the epoch counts backwards", -1.25, TRUE, make_time(1899, 12, 29, 6), 5},
    {"first day of year 100", -657434.0, TRUE, make_time(100, 1, 1), 5},
    {"last day of year 9999 rounds to the second", 2958465.999, TRUE, make_time(9999, 12, 31, 23, 58, 34), 5},
    {"59.6 seconds round to a minute", 36526.0 + 59.6 / 86400.0, TRUE, make_time(2000, 1, 1, 0, 1, 0), 6},
    {"before year 100 is refused", -657435.0, FALSE, {}, 0},
    {"after year 9999 is refused", 2958466.0, FALSE, {}, 0},
    {"NaN is refused", NAN, FALSE, {}, 0},  // oleaut32 would cut it into fields with undefined casts
};

class FromVariantTime : public testing::TestWithParam<FromDateRow> {};

TEST_P(FromVariantTime, ConvertsOrRefuses)
{
    const FromDateRow &row = GetParam();
    SYSTEMTIME st = make_time(1, 2, 3, 4, 5, 6, 7);
    EXPECT_EQ(VariantTimeToSystemTime(row.date, &st), row.ok);
    if (!row.ok) return;
    EXPECT_EQ(st.wYear, row.time.wYear);
    EXPECT_EQ(st.wMonth, row.time.wMonth);
    EXPECT_EQ(st.wDay, row.time.wDay);
    EXPECT_EQ(st.wHour, row.time.wHour);
    EXPECT_EQ(st.wMinute, row.time.wMinute);
    EXPECT_EQ(st.wSecond, row.time.wSecond);
    EXPECT_EQ(st.wMilliseconds, 0);
    EXPECT_EQ(st.wDayOfWeek, row.day_of_week);
}

INSTANTIATE_TEST_SUITE_P(Rows, FromVariantTime, testing::ValuesIn(kFromDateRows),
                         test_names::by_field<&FromDateRow::behaviour>);

TEST(VariantTime, RoundTripsWholeSeconds)
{
    for (double date : {36526.0 + 1.0 / 86400.0, 44000.75, -400.5, 1.0 / 3.0}) {
        SYSTEMTIME st;
        ASSERT_TRUE(VariantTimeToSystemTime(date, &st));
        double back = 0;
        ASSERT_TRUE(SystemTimeToVariantTime(&st, &back));
        EXPECT_NEAR(back, date, 0.5 / 86400.0) << date;
    }
}

TEST(VariantTime, RefusesNullPointers)
{
    SYSTEMTIME st = make_time(2000, 1, 1);
    double date;
    EXPECT_FALSE(SystemTimeToVariantTime(nullptr, &date));
    EXPECT_FALSE(SystemTimeToVariantTime(&st, nullptr));
    EXPECT_FALSE(VariantTimeToSystemTime(0.0, nullptr));
}

}  // namespace
