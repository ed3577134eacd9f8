// SystemTimeToVariantTime and VariantTimeToSystemTime rows: years, months and days around
// every boundary oleaut32 rolls over or refuses, times of day with out-of-range fields and
// milliseconds, and dates across the whole range, negative ones included.
#include <limits>
#include <string>

#include "conformance.h"

namespace conformance {
namespace {

std::string system_time_text(const SYSTEMTIME &st)
{
    return std::to_string(st.wYear) + "-" + std::to_string(st.wMonth) + "-" + std::to_string(st.wDay) + " " +
           std::to_string(st.wHour) + ":" + std::to_string(st.wMinute) + ":" + std::to_string(st.wSecond) + "." +
           std::to_string(st.wMilliseconds) + " dow=" + std::to_string(st.wDayOfWeek);
}

SYSTEMTIME make_time(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD milliseconds)
{
    SYSTEMTIME st = {};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    st.wSecond = second;
    st.wMilliseconds = milliseconds;
    return st;
}

void add_to_date_row(Rows &rows, SYSTEMTIME st)
{
    const std::string key = "SystemTimeToVariantTime " + system_time_text(st);
    double date = -1.0;
    const INT ok = SystemTimeToVariantTime(&st, &date);
    rows.add(key, ok ? "TRUE " + real_text(date) : "FALSE");
}

void add_calendar_rows(Rows &rows)
{
    const WORD years[] = {0,    1,    29,   30,   49,   50,   99,    100,   101,   1899, 1900,
                          1999, 2000, 2001, 2004, 2100, 9999, 10000, 32767, 32768, 65535};
    const WORD months[] = {0, 1, 2, 3, 11, 12, 13};
    const WORD days[] = {0, 1, 28, 29, 30, 31, 32};
    for (WORD year : years)
        for (WORD month : months)
            for (WORD day : days) add_to_date_row(rows, make_time(year, month, day, 0, 0, 0, 0));
}

void add_time_of_day_rows(Rows &rows)
{
    const WORD hours[] = {0, 11, 12, 23, 24, 25, 65535};
    const WORD minutes[] = {0, 59, 60, 61};
    const WORD seconds[] = {0, 30, 59, 60, 61};
    for (const SYSTEMTIME &day :
         {make_time(2000, 1, 1, 0, 0, 0, 0), make_time(1899, 12, 29, 0, 0, 0, 0), make_time(2000, 12, 31, 0, 0, 0, 0)})
        for (WORD hour : hours)
            for (WORD minute : minutes)
                for (WORD second : seconds)
                    if (hour || minute || second)  // midnight is among the calendar rows
                        add_to_date_row(rows, make_time(day.wYear, day.wMonth, day.wDay, hour, minute, second, 0));
    for (WORD milliseconds : {1, 499, 500, 999, 1000, 65535})
        add_to_date_row(rows, make_time(2000, 1, 1, 12, 0, 0, milliseconds));
}

void add_from_date_row(Rows &rows, double date)
{
    SYSTEMTIME st = make_time(1, 2, 3, 4, 5, 6, 7);
    const INT ok = VariantTimeToSystemTime(date, &st);
    rows.add("VariantTimeToSystemTime " + real_text(date), ok ? "TRUE " + system_time_text(st) : "FALSE");
}

void add_from_date_rows(Rows &rows)
{
    const double second = 1.0 / 86400.0;
    const double dates[] = {0.0,
                            -0.0,
                            1.0,
                            -1.0,
                            0.5,
                            -0.5,
                            1.25,
                            -1.25,
                            -1.75,
                            2.75,
                            36526.5,
                            36526.25,
                            36526.999999,
                            36526.9999999999,
                            36526.0 + 0.5 * second,
                            36526.0 + 0.49 * second,
                            36526.0 + 0.51 * second,
                            36526.0 + 59.5 * second,
                            36526.0 + 59.49 * second,
                            36526.0 + 86399.5 * second,
                            -36526.0 - 59.6 * second,
                            1.0 / 3.0,
                            2.0 / 3.0,
                            -1.0 / 3.0,
                            59.0,
                            60.0,
                            61.0,
                            365.0,
                            -365.0,
                            -693593.0,
                            -657434.0,
                            -657434.5,
                            -657434.999,
                            -657435.0,
                            -657435.5,
                            2958465.0,
                            2958465.5,
                            2958465.99999,
                            2958465.999999999,
                            2958466.0,
                            2958466.5,
                            1e10,
                            -1e10,
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()};
    for (double date : dates) add_from_date_row(rows, date);
    // A day in each month of a leap and a common year, and around century leap rules.
    for (double date = 36526.0; date < 36526.0 + 2 * 366; date += 17.5) add_from_date_row(rows, date);
    for (double date : {-36463.0, -36462.0, 73051.0, 73050.0, 109575.0, 109576.0, 146101.0, 146100.0})
        add_from_date_row(rows, date);
}

}  // namespace

void add_date_rows(Rows &rows)
{
    add_calendar_rows(rows);
    add_time_of_day_rows(rows);
    add_from_date_rows(rows);
}

}  // namespace conformance
