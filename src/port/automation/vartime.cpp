// Automation dates: days since 30 December 1899 with the time of day as the fraction; a
// negative date counts its time of day backwards from midnight. Conversion to and from
// SYSTEMTIME follows oleaut32, including how it rolls out-of-range fields over, ignores
// milliseconds on the way in and rounds to the second on the way out.
#include <cmath>
#include <cstdint>

#include <tavlinport/oleauto.h>

#include "automation/vartime.h"

using namespace tavlinport;

namespace {

constexpr short kDaysInMonth[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
// Julian day number of 1 January 100, the first automation date.
constexpr int kJulianDayOfDateMin = 1757585;
// Added to the fraction before it is cut into hours, minutes and seconds, so that a time
// stored a hair below a whole second is not cut one second short.
constexpr double kTimeFudge = 0.00000000001;

bool is_leap_year(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// SYSTEMTIME fields read as signed 16-bit values, as oleaut32 reads them when it rolls a
// date into range; every step keeps 16-bit arithmetic.
struct Fields {
    short year, month, day, hour, minute, second;
};

Fields fields_of(const SYSTEMTIME &st)
{
    return {static_cast<short>(st.wYear), static_cast<short>(st.wMonth),  static_cast<short>(st.wDay),
            static_cast<short>(st.wHour), static_cast<short>(st.wMinute), static_cast<short>(st.wSecond)};
}

void store_fields(const Fields &f, SYSTEMTIME *st)
{
    st->wYear = static_cast<WORD>(f.year);
    st->wMonth = static_cast<WORD>(f.month);
    st->wDay = static_cast<WORD>(f.day);
    st->wHour = static_cast<WORD>(f.hour);
    st->wMinute = static_cast<WORD>(f.minute);
    st->wSecond = static_cast<WORD>(f.second);
}

void carry_over(short &lower, short &higher, int base)
{
    higher = static_cast<short>(higher + lower / base);
    lower = static_cast<short>(lower % base);
}

// Brings a month of 0 or less back into 1..12 by borrowing a year.
void borrow_year(short &month, short &year)
{
    if (month <= 0) {
        month = static_cast<short>(month + 12);
        year = static_cast<short>(year - 1);
    }
}

// Month 12 becomes month 0 of the next year here, as in oleaut32.
void next_month(short &month, short &year)
{
    month = static_cast<short>(month + 1);
    year = static_cast<short>(year + month / 12);
    month = static_cast<short>(month % 12);
}

void previous_month(short &month, short &year)
{
    month = static_cast<short>(month - 1);
    borrow_year(month, year);
}

void borrow_from(short &lower, short &higher, int base)
{
    if (lower < 0) {
        lower = static_cast<short>(lower + base);
        higher = static_cast<short>(higher - 1);
    }
}

short days_in(short month, short year) { return month == 2 && is_leap_year(year) ? 29 : kDaysInMonth[month]; }

// oleaut32's normalisation of a date: two-digit years mapped to 1950-2049, surplus seconds,
// minutes, hours, months and days carried into the next field, deficits borrowed. Its
// quirks are kept, such as a day carried out of November landing in January.
bool roll_into_range(SYSTEMTIME *st)
{
    Fields f = fields_of(*st);
    if (f.year > 9999 || f.year < -9999) return false;
    if (f.year >= 0 && f.year <= 49)
        f.year = static_cast<short>(f.year + 2000);
    else if (f.year >= 50 && f.year <= 99)
        f.year = static_cast<short>(f.year + 1900);

    carry_over(f.second, f.minute, 60);
    carry_over(f.minute, f.hour, 60);
    carry_over(f.hour, f.day, 24);
    carry_over(f.month, f.year, 12);
    borrow_year(f.month, f.year);
    while (f.day > kDaysInMonth[f.month]) {
        f.day = static_cast<short>(f.day - days_in(f.month, f.year));
        next_month(f.month, f.year);
    }
    while (f.day <= 0) {
        previous_month(f.month, f.year);
        f.day = static_cast<short>(f.day + days_in(f.month, f.year));
    }
    borrow_from(f.second, f.minute, 60);
    borrow_from(f.minute, f.hour, 60);
    borrow_from(f.hour, f.day, 24);
    if (f.year <= 0) f.year = static_cast<short>(f.year + 2000);
    store_fields(f, st);
    return true;
}

// Day/month/year to and from Julian day numbers (Fliegel and Van Flandern).
int julian_day(int year, int month, int day)
{
    const int m12 = (month - 14) / 12;
    return (1461 * (year + 4800 + m12)) / 4 + (367 * (month - 2 - 12 * m12)) / 12 -
           (3 * ((year + 4900 + m12) / 100)) / 4 + day - 32075;
}

void calendar_date(int julian, SYSTEMTIME *st)
{
    int l = julian + 68569;
    const int n = l * 4 / 146097;
    l -= (n * 146097 + 3) / 4;
    const int i = (4000 * (l + 1)) / 1461001;
    l += 31 - (i * 1461) / 4;
    const int j = (l * 80) / 2447;
    st->wDay = static_cast<WORD>(l - (j * 2447) / 80);
    l = j / 11;
    st->wMonth = static_cast<WORD>((j + 2) - (12 * l));
    st->wYear = static_cast<WORD>(100 * (n - 49) + i + l);
}

int automation_day(int julian) { return julian - kJulianDayOfDateMin + static_cast<int>(kDateMin); }

int julian_of_automation_day(int day) { return day - static_cast<int>(kDateMin) + kJulianDayOfDateMin; }

// 0 for Sunday, as SYSTEMTIME counts; 30 December 1899 was a Saturday.
WORD day_of_week(double whole_days)
{
    const double weeks = (whole_days + 1.5) / 7.0;
    const WORD day = static_cast<WORD>((weeks - std::floor(weeks)) * 7);
    return day < 2 ? static_cast<WORD>(day + 5) : static_cast<WORD>(day - 2);
}

// Cuts the fraction of a day into hours, minutes and seconds, rounding to the nearest
// second; a rounding that reaches midnight moves to the next day.
void split_time_of_day(double fraction, SYSTEMTIME *st)
{
    fraction *= 24.0;
    st->wHour = static_cast<WORD>(fraction);
    fraction = (fraction - st->wHour) * 60.0;
    st->wMinute = static_cast<WORD>(fraction);
    fraction = (fraction - st->wMinute) * 60.0;
    st->wSecond = static_cast<WORD>(fraction);
    fraction -= st->wSecond;
    st->wMilliseconds = 0;
    if (fraction <= 0.5) return;
    if (++st->wSecond < 60) return;
    st->wSecond = 0;
    if (++st->wMinute < 60) return;
    st->wMinute = 0;
    if (++st->wHour < 24) return;
    st->wHour = 0;
    if (++st->wDay > 28) roll_into_range(st);
}

}  // namespace

INT SystemTimeToVariantTime(LPSYSTEMTIME system_time, double *variant_time)
{
    if (!system_time || !variant_time) return FALSE;
    if (system_time->wMonth > 12 || system_time->wDay > 31 || static_cast<short>(system_time->wYear) < 0) return FALSE;
    SYSTEMTIME st = *system_time;
    if (!roll_into_range(&st)) return FALSE;
    double date = automation_day(julian_day(st.wYear, st.wMonth, st.wDay));
    const double sign = date < 0.0 ? -1.0 : 1.0;
    date += st.wHour / 24.0 * sign;
    date += st.wMinute / 1440.0 * sign;
    date += st.wSecond / 86400.0 * sign;
    *variant_time = date;
    return TRUE;
}

INT VariantTimeToSystemTime(double variant_time, LPSYSTEMTIME system_time)
{
    if (!system_time || !(variant_time > kDateMin - 1.0 && variant_time < kDateMax + 1.0)) return FALSE;
    const double whole_days = std::trunc(variant_time);
    double fraction = std::fabs(variant_time - whole_days) + kTimeFudge;
    if (fraction >= 1.0) fraction -= kTimeFudge;
    SYSTEMTIME st{};
    calendar_date(julian_of_automation_day(static_cast<int>(whole_days)), &st);
    st.wDayOfWeek = day_of_week(whole_days);
    split_time_of_day(fraction, &st);
    *system_time = st;
    return TRUE;
}
