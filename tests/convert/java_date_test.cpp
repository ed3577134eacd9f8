// The calendar arithmetic under the date conversions, without Java: the wall clock a
// client's date names, and the date made again from a wall clock.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "convert/java_date.h"

using namespace tavlin;

namespace {

std::string text_of(const SYSTEMTIME &fields)
{
    char text[48];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", fields.wYear, fields.wMonth, fields.wDay,
                  fields.wHour, fields.wMinute, fields.wSecond, fields.wMilliseconds);
    return text;
}

std::string wall_clock_text(DATE date)
{
    SYSTEMTIME fields = {};
    return wall_clock_of(date, &fields) ? text_of(fields) : "refused";
}

struct WallClockRow {
    DATE date;
    const char *wall_clock;
};

// Whole days truncated toward zero, the fraction the time of that day whatever its sign (as
// oleaut32 reads dates); seconds round up only past one half, and a rounding that reaches
// midnight moves to the next day.
const WallClockRow kWallClockRows[] = {
    {0.0, "1899-12-30 00:00:00.000"},
    {36526.5, "2000-01-01 12:00:00.000"},
    {36526.500004, "2000-01-01 12:00:00.000"},
    {36526.500007, "2000-01-01 12:00:01.000"},
    {36526.99999999, "2000-01-02 00:00:00.000"},
    {-0.25, "1899-12-30 06:00:00.000"},
    {-1.0, "1899-12-29 00:00:00.000"},
    {-1.25, "1899-12-29 06:00:00.000"},
    {-1.99999999, "1899-12-30 00:00:00.000"},
    {-657434.0, "0100-01-01 00:00:00.000"},
    {-657433.5, "0100-01-02 12:00:00.000"},
    {-657434.5, "0100-01-01 12:00:00.000"},
    {-657435.0, "refused"},  // 31 December 99
    {2958465.99998, "9999-12-31 23:59:58.000"},
    {2958466.0, "refused"},
    {-1e300, "refused"},
    {1e300, "refused"},
};

TEST(DateArithmetic, WallClockOfAClientsDate)
{
    for (const WallClockRow &row : kWallClockRows) EXPECT_EQ(row.wall_clock, wall_clock_text(row.date)) << row.date;
}

// Every second of days across the range, on both sides of the epoch, goes to oleaut32's own
// number for it and back to the same wall clock.
TEST(DateArithmetic, EverySecondComesBackAsItself)
{
    const DATE days[] = {-657434, -657433, -500001, -146097, -115870, -18260, -1000, -2, -1, 0, 1, 36526, 2958465};
    int mismatches = 0;
    for (DATE day : days) {
        SYSTEMTIME midnight = {};
        ASSERT_TRUE(VariantTimeToSystemTime(day, &midnight)) << day;
        for (int second = 0; second < 86400; ++second) {
            SYSTEMTIME fields = midnight;
            fields.wHour = static_cast<WORD>(second / 3600);
            fields.wMinute = static_cast<WORD>(second / 60 % 60);
            fields.wSecond = static_cast<WORD>(second % 60);
            DATE date = 0;
            ASSERT_TRUE(automation_date_of(fields, &date)) << text_of(fields);
            SYSTEMTIME back = {};
            DATE oleaut_date = 0;
            SystemTimeToVariantTime(&fields, &oleaut_date);
            bool same = date == oleaut_date && wall_clock_of(date, &back) && text_of(back) == text_of(fields);
            if (!same && ++mismatches <= 5) ADD_FAILURE() << text_of(fields) << " gave " << date;
        }
    }
    EXPECT_EQ(0, mismatches);
}

// Before the epoch the time of day still counts forwards from the day's midnight, both ways:
// 29 December 1899 06:00 is -1.25, not the -0.75 of a fraction taken with its sign.
TEST(DateArithmetic, BeforeTheEpochTheTimeOfDayCountsForwards)
{
    SYSTEMTIME fields = {};
    fields.wYear = 1899;
    fields.wMonth = 12;
    fields.wDay = 29;
    fields.wHour = 6;
    DATE date = 0;
    ASSERT_TRUE(automation_date_of(fields, &date));
    EXPECT_EQ(-1.25, date);
    EXPECT_EQ("1899-12-29 06:00:00.000", wall_clock_text(-1.25));
}

TEST(DateArithmetic, FieldsThatOleaut32RefusesAreRefused)
{
    SYSTEMTIME fields = {};
    fields.wYear = 10000;
    fields.wMonth = 1;
    fields.wDay = 1;
    DATE date = 0;
    EXPECT_FALSE(automation_date_of(fields, &date));
}

}  // namespace
