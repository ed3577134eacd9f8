#include "convert/java_date.h"

#include <cmath>
#include <cstdint>

#include "errors/tavlin_ex.h"
#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"

namespace tavlin {

namespace {

constexpr int64_t kSecondsPerDay = 86400;

// A GregorianCalendar of the VM's default zone that is Gregorian for all time, as automation
// dates are. The default one counts Julian before 15 October 1582, which would move every
// earlier date by days on its way back.
CLocalRef new_gregorian_calendar(JNIEnv *env)
{
    CLocalRef calendar = jni::new_object(env, java_reflect.calendar_class, java_reflect.calendar_init);
    const CLocalRef first_instant =
        jni::new_object(env, java_reflect.date_class, java_reflect.date_init, static_cast<jlong>(INT64_MIN));
    jni::call_method<void>(env, calendar.get(), java_reflect.calendar_setGregorianChange, first_instant.get());
    return calendar;
}

// A Java date's local time in the VM's default zone, as the calendar's fields.
struct LocalTime {
    jint era, year, month, day, hour, minute, second;
};

const struct {
    jint CJavaReflect::*number;
    jint LocalTime::*value;
} kLocalTimeFields[] = {
    {&CJavaReflect::calendar_ERA, &LocalTime::era},          {&CJavaReflect::calendar_YEAR, &LocalTime::year},
    {&CJavaReflect::calendar_MONTH, &LocalTime::month},      {&CJavaReflect::calendar_DAY_OF_MONTH, &LocalTime::day},
    {&CJavaReflect::calendar_HOUR_OF_DAY, &LocalTime::hour}, {&CJavaReflect::calendar_MINUTE, &LocalTime::minute},
    {&CJavaReflect::calendar_SECOND, &LocalTime::second},
};

LocalTime local_time_of(JNIEnv *env, jobject date)
{
    const CLocalRef calendar = new_gregorian_calendar(env);
    jni::call_method<void>(env, calendar.get(), java_reflect.calendar_setTime, date);
    LocalTime local = {};
    for (const auto &field : kLocalTimeFields)
        local.*field.value =
            jni::call_method<jint>(env, calendar.get(), java_reflect.calendar_get, java_reflect.*field.number);
    return local;
}

// Years outside 100 to 9999 are refused before they reach a SYSTEMTIME: oleaut32 reads
// years below 100 as two-digit years of the 1900s and 2000s.
bool within_automation_years(const LocalTime &local)
{
    return local.era == java_reflect.calendar_AD && local.year >= 100 && local.year <= 9999;
}

SYSTEMTIME system_time_of(const LocalTime &local)
{
    SYSTEMTIME fields = {};
    fields.wYear = static_cast<WORD>(local.year);
    fields.wMonth = static_cast<WORD>(local.month + 1);  // Java counts months from 0
    fields.wDay = static_cast<WORD>(local.day);
    fields.wHour = static_cast<WORD>(local.hour);
    fields.wMinute = static_cast<WORD>(local.minute);
    fields.wSecond = static_cast<WORD>(local.second);
    return fields;
}

[[noreturn]] void refuse_out_of_range(const LocalTime &local)
{
    TavlinEx::raise("Date out of range for an automation date (years 100 to 9999): %04d-%02d-%02d %02d:%02d:%02d%s",
                    static_cast<int>(local.year), static_cast<int>(local.month + 1), static_cast<int>(local.day),
                    static_cast<int>(local.hour), static_cast<int>(local.minute), static_cast<int>(local.second),
                    local.era == java_reflect.calendar_AD ? "" : " BC");
}

}  // namespace

// A client's date is read as oleaut32 reads it: the whole part, truncated toward zero,
// counts days from 30 December 1899, and the fraction, whatever its sign, is the time of that
// day (-1.25 is 29 December 06:00). Seconds round up only past one half, and a rounding that
// reaches midnight moves to the next day; milliseconds are not carried.
bool wall_clock_of(DATE date, SYSTEMTIME *fields)
{
    // oleaut32's bounds: the first day is 1 January 100, the last 31 December 9999.
    constexpr DATE kBeforeFirstDay = -657435.0, kAfterLastDay = 2958466.0;
    if (!(date > kBeforeFirstDay && date < kAfterLastDay)) return false;
    DATE day = std::trunc(date);
    double exact_seconds = std::fabs(date - day) * kSecondsPerDay;
    int64_t time_of_day = static_cast<int64_t>(exact_seconds);
    if (exact_seconds - static_cast<double>(time_of_day) > 0.5) ++time_of_day;
    if (time_of_day == kSecondsPerDay) {
        time_of_day = 0;
        day += 1;
    }
    if (!VariantTimeToSystemTime(day, fields)) return false;
    fields->wHour = static_cast<WORD>(time_of_day / 3600);
    fields->wMinute = static_cast<WORD>(time_of_day / 60 % 60);
    fields->wSecond = static_cast<WORD>(time_of_day % 60);
    fields->wMilliseconds = 0;
    return true;
}

// oleaut32's own number for the fields: the one a client makes for the same wall clock, and
// the one wall_clock_of reads back as it.
bool automation_date_of(const SYSTEMTIME &fields, DATE *date)
{
    SYSTEMTIME copy = fields;
    return SystemTimeToVariantTime(&copy, date) != 0;
}

jobject new_java_date(JNIEnv *env, DATE date)
{
    SYSTEMTIME fields;
    if (!wall_clock_of(date, &fields)) return nullptr;
    // Set from its fields, the calendar resolves them by the zone's rules of that very time:
    // a time that exists arrives as itself; one in an hour that summer time skips is read
    // with the offset before the change (lenient); one of an hour that repeats, as its
    // second occurrence (standard time).
    const CLocalRef calendar = new_gregorian_calendar(env);
    jni::call_method<void>(env, calendar.get(), java_reflect.calendar_clear);  // milliseconds 0
    jni::call_method<void>(env, calendar.get(), java_reflect.calendar_set, static_cast<jint>(fields.wYear),
                           static_cast<jint>(fields.wMonth - 1), static_cast<jint>(fields.wDay),
                           static_cast<jint>(fields.wHour), static_cast<jint>(fields.wMinute),
                           static_cast<jint>(fields.wSecond));
    return jni::call_method<jobject>(env, calendar.get(), java_reflect.calendar_getTime).release();
}

DATE automation_date(JNIEnv *env, jobject date)
{
    LocalTime local = local_time_of(env, date);
    DATE result = 0;
    if (!within_automation_years(local) || !automation_date_of(system_time_of(local), &result))
        refuse_out_of_range(local);
    return result;
}

}  // namespace tavlin
