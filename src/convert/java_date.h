// Automation dates to java.util.Date and back. An automation date is a local date and time
// without a zone; a Java date is an instant. The bridge goes between them through the
// calendar fields (year to second) in the VM's default time zone, so that a client's
// wall-clock time arrives as that time whatever the zone's rules do that day, and a Java date
// comes back as the time its zone shows.
#pragma once

#include <jni.h>

#include "util/platform.h"

namespace tavlin {

// The java.util.Date a client means by `date`; null when the date lies outside the years
// 100 to 9999, which the caller reports. Throws TavlinEx* when Java fails.
jobject new_java_date(JNIEnv *env, DATE date);

// The automation date of a Java date, to the second. A date outside the years 100 to 9999
// AD is refused with a TavlinEx* that names it.
DATE automation_date(JNIEnv *env, jobject date);

// The calendar arithmetic of both directions, without Java.
// The wall clock `date` names (milliseconds 0); false outside the years 100 to 9999.
bool wall_clock_of(DATE date, SYSTEMTIME *fields);
// The date whose wall clock is `fields` (milliseconds ignored); false where oleaut32 refuses
// the fields.
bool automation_date_of(const SYSTEMTIME &fields, DATE *date);

}  // namespace tavlin
