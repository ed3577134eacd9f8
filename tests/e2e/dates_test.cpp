// Dates both ways through the public surface: a client's local date-time to java.util.Date in
// the VM's default zone and back, whichever way the VM came, on the days daylight saving
// starts and ends, at the ends of the automation date's range and before the Gregorian
// reform. Java reads and makes the dates with java.time (fixtures.Dates), which shares no
// code with the java.util calendars the bridge uses.
#include <gtest/gtest.h>

#include <jni.h>
#ifndef _WIN32
#include <dlfcn.h>
#endif

#include <cstdio>
#include <string>
#include <vector>

#include "client.h"
#include "test_names.h"
#include "test_process.h"
#ifdef _WIN32
#include "vmhost/jvm_library.h"
#endif

using namespace tavlin_test;

namespace {

// The date a client makes for a wall-clock "yyyy-mm-dd hh:mm:ss", as oleaut32 makes it.
DATE client_date(const char *wall_clock)
{
    SYSTEMTIME fields = {};
    std::sscanf(wall_clock, "%hu-%hu-%hu %hu:%hu:%hu", &fields.wYear, &fields.wMonth, &fields.wDay, &fields.wHour,
                &fields.wMinute, &fields.wSecond);
    DATE date = 0;
    EXPECT_TRUE(SystemTimeToVariantTime(&fields, &date)) << wall_clock;
    return date;
}

// The wall clock a client reads from a date, as oleaut32 reads it.
std::string client_wall_clock(DATE date)
{
    SYSTEMTIME fields = {};
    if (!VariantTimeToSystemTime(date, &fields)) return "<not a date>";
    char text[48];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", fields.wYear, fields.wMonth, fields.wDay,
                  fields.wHour, fields.wMinute, fields.wSecond);
    return text;
}

// "2024-03-10T03:30:00-04:00" → "2024-03-10 03:30:00".
std::string wall_clock_of(const std::string &local)
{
    std::string wall_clock = local.substr(0, 19);
    wall_clock[10] = ' ';
    return wall_clock;
}

class DatesThroughTheBridge : public ::testing::Test {
protected:
    // The Java text of the date the client's `date` arrives as.
    std::string arrives_as(DATE date)
    {
        ScopedVariant sent = ScopedVariant::date(date);
        CallResult result = call(dates(), "local", {sent.get()});
        EXPECT_EQ(S_OK, result.hr) << result.description;
        return text_of(result);
    }

    // The Java date `date` after a trip into Java and back.
    CallResult round_trip(DATE date)
    {
        ScopedVariant sent = ScopedVariant::date(date);
        return call(dates(), "same", {sent.get()});
    }

    // The client's value of the Java date of an ISO date-time with offset.
    CallResult java_date(const std::string &iso)
    {
        ScopedVariant text = ScopedVariant::string(iso);
        return call(dates(), "at", {text.get()});
    }

    // Every row of utc_rows() both ways, in a VM whose default zone is UTC.
    void check_utc_rows();

    IDispatch *dates()
    {
        if (!dates_) dates_ = make("fixtures.Dates");
        return dates_.get();
    }

private:
    ComPtr<IDispatch> dates_;
};

// A date sent by a client in UTC, the Java date it arrives as, and the same date made in
// Java coming back. Before 30 December 1899 the whole days count backwards and the time of day
// forwards, as oleaut32 reads dates (-1.25 is 29 December 06:00); the way back gives the same
// number.
struct UtcRow {
    DATE client;
    const char *java;
};

const std::vector<UtcRow> &utc_rows()
{
    static const std::vector<UtcRow> rows = {
        {0.0, "1899-12-30T00:00:00+00:00"},
        {client_date("2000-01-01 12:00:00"), "2000-01-01T12:00:00+00:00"},
        {client_date("2024-02-29 23:59:59"), "2024-02-29T23:59:59+00:00"},
        {0.25, "1899-12-30T06:00:00+00:00"},
        {-657434.5, "0100-01-01T12:00:00+00:00"},
        {-1.25, "1899-12-29T06:00:00+00:00"},
        {-18260.25, "1850-01-01T06:00:00+00:00"},
        // Before the reform of 15 October 1582 the client's calendar is still Gregorian.
        {client_date("1582-10-04 00:00:00"), "1582-10-04T00:00:00+00:00"},
        {client_date("1500-02-28 00:00:00"), "1500-02-28T00:00:00+00:00"},
        {client_date("1500-03-01 00:00:00"), "1500-03-01T00:00:00+00:00"},
        {client_date("0100-01-01 00:00:00"), "0100-01-01T00:00:00+00:00"},
        {client_date("9999-12-31 23:59:59"), "9999-12-31T23:59:59+00:00"},
    };
    return rows;
}

void DatesThroughTheBridge::check_utc_rows()
{
    for (const UtcRow &row : utc_rows()) {
        SCOPED_TRACE(row.java);
        EXPECT_EQ(row.java, arrives_as(row.client));
        CallResult back = round_trip(row.client);
        ASSERT_EQ(S_OK, back.hr) << back.description;
        ASSERT_EQ(VT_DATE, back.value.type());
        EXPECT_EQ(row.client, back.value->date);
        CallResult made = java_date(row.java);
        ASSERT_EQ(S_OK, made.hr) << made.description;
        EXPECT_EQ(row.client, made.value->date);
    }
}

class DatesInACreatedVm : public DatesThroughTheBridge {
protected:
    void SetUp() override
    {
        use_standard_vm_setup();
        add_vm_option("-Duser.timezone=UTC");
    }
};

TEST_F(DatesInACreatedVm, ArriveAndComeBackExactly) { check_utc_rows(); }

// The host loads the Java runtime itself: the build's libjvm.so natively; on Windows the
// installation's jvm.dll, found by the registry as the bridge finds it.
namespace {
jint create_vm_as_host(JavaVM **vm, JNIEnv **env, JavaVMInitArgs *args)
{
#ifdef _WIN32
    static const tavlin::CJvmLibrary *runtime = new tavlin::CJvmLibrary;  // loaded for the process's life
    return runtime->JNI_CreateJavaVM(vm, reinterpret_cast<void **>(env), args);
#else
    void *runtime = dlopen(TAVLIN_TEST_LIBJVM, RTLD_NOW);
    if (!runtime) return JNI_ERR;
    auto create = reinterpret_cast<jint (*)(JavaVM **, void **, void *)>(dlsym(runtime, "JNI_CreateJavaVM"));
    return create ? create(vm, reinterpret_cast<void **>(env), args) : JNI_ERR;
#endif
}
}  // namespace

// The host creates the VM before the bridge's first use; the bridge adopts it as it is.
class DatesInAnAdoptedVm : public DatesThroughTheBridge {
protected:
    void SetUp() override
    {
        use_standard_vm_setup();
        std::string classpath = "-Djava.class.path=" + fixtures_jar();
        JavaVMOption options[] = {{&classpath[0], nullptr},
                                  {const_cast<char *>("-Duser.timezone=UTC"), nullptr},
                                  {const_cast<char *>("-Xcheck:jni"), nullptr}};
        JavaVMInitArgs args = {JNI_VERSION_1_2, 3, options, JNI_FALSE};
        JavaVM *vm = nullptr;
        JNIEnv *env = nullptr;
        ASSERT_EQ(JNI_OK, create_vm_as_host(&vm, &env, &args));
    }
};

TEST_F(DatesInAnAdoptedVm, ArriveAndComeBackExactly) { check_utc_rows(); }

// Java dates an automation date cannot hold are refused with the reason, never sent as
// another date: years before 100 (which oleaut32 would read as 19xx or 20xx), after 9999,
// and before Christ.
struct RefusedRow {
    const char *java;
    const char *description;
};

const RefusedRow kRefusedRows[] = {
    {"0099-12-31T23:59:59Z", "Date out of range for an automation date (years 100 to 9999): 0099-12-31 23:59:59"},
    {"0050-06-01T12:00:00Z", "Date out of range for an automation date (years 100 to 9999): 0050-06-01 12:00:00"},
    {"-0049-06-01T12:00:00Z", "Date out of range for an automation date (years 100 to 9999): 0050-06-01 12:00:00 BC"},
    {"+10000-01-01T00:00:00Z", "Date out of range for an automation date (years 100 to 9999): 10000-01-01 00:00:00"},
};

TEST_F(DatesInACreatedVm, OutOfRangeJavaDatesAreRefusedWithTheReason)
{
    for (const RefusedRow &row : kRefusedRows) {
        SCOPED_TRACE(row.java);
        CallResult result = java_date(row.java);
        EXPECT_EQ(DISP_E_EXCEPTION, result.hr);
        EXPECT_EQ(VT_EMPTY, result.value.type());
        EXPECT_EQ(row.description, result.description);
    }
}

// The days before 1 January 100 and after 31 December 9999 cannot be sent.
TEST_F(DatesInACreatedVm, ClientDatesOutsideTheYears100To9999AreRefused)
{
    for (DATE date : {-657435.0, -657435.5, 2958466.0}) {
        SCOPED_TRACE(date);
        CallResult result = round_trip(date);
        EXPECT_EQ(DISP_E_EXCEPTION, result.hr);
        EXPECT_EQ("Unable to coerce parameter data to java/util/Date: 0x8002000A", result.description);
    }
}

// The days daylight saving starts and ends in 2024. Every local time that exists arrives as
// itself; a time in the skipped hour follows GregorianCalendar's lenient rule (it is read
// with the offset before the change, so 02:30 becomes 03:30); a time of the repeated hour
// arrives as its second occurrence, in standard time, as GregorianCalendar resolves it.
struct TransitionRow {
    const char *zone;
    const char *client;  // wall clock
    const char *java;    // local time and offset
};

const TransitionRow kArrivalRows[] = {
    {"America/New_York", "2024-03-10 00:00:00", "2024-03-10T00:00:00-05:00"},
    {"America/New_York", "2024-03-10 01:59:59", "2024-03-10T01:59:59-05:00"},
    {"America/New_York", "2024-03-10 02:00:00", "2024-03-10T03:00:00-04:00"},
    {"America/New_York", "2024-03-10 02:30:00", "2024-03-10T03:30:00-04:00"},
    {"America/New_York", "2024-03-10 03:00:00", "2024-03-10T03:00:00-04:00"},
    {"America/New_York", "2024-03-10 12:00:00", "2024-03-10T12:00:00-04:00"},
    {"America/New_York", "2024-03-10 23:59:59", "2024-03-10T23:59:59-04:00"},
    {"America/New_York", "2024-11-03 00:59:59", "2024-11-03T00:59:59-04:00"},
    {"America/New_York", "2024-11-03 01:00:00", "2024-11-03T01:00:00-05:00"},
    {"America/New_York", "2024-11-03 01:30:00", "2024-11-03T01:30:00-05:00"},
    {"America/New_York", "2024-11-03 02:00:00", "2024-11-03T02:00:00-05:00"},
    {"America/New_York", "2024-11-03 12:00:00", "2024-11-03T12:00:00-05:00"},
    {"America/New_York", "2024-11-03 23:59:59", "2024-11-03T23:59:59-05:00"},
    {"Europe/Berlin", "2024-03-31 00:00:00", "2024-03-31T00:00:00+01:00"},
    {"Europe/Berlin", "2024-03-31 01:59:59", "2024-03-31T01:59:59+01:00"},
    {"Europe/Berlin", "2024-03-31 02:30:00", "2024-03-31T03:30:00+02:00"},
    {"Europe/Berlin", "2024-03-31 03:00:00", "2024-03-31T03:00:00+02:00"},
    {"Europe/Berlin", "2024-03-31 12:00:00", "2024-03-31T12:00:00+02:00"},
    {"Europe/Berlin", "2024-03-31 23:59:59", "2024-03-31T23:59:59+02:00"},
    {"Europe/Berlin", "2024-10-27 01:59:59", "2024-10-27T01:59:59+02:00"},
    {"Europe/Berlin", "2024-10-27 02:00:00", "2024-10-27T02:00:00+01:00"},
    {"Europe/Berlin", "2024-10-27 02:30:00", "2024-10-27T02:30:00+01:00"},
    {"Europe/Berlin", "2024-10-27 03:00:00", "2024-10-27T03:00:00+01:00"},
    {"Europe/Berlin", "2024-10-27 12:00:00", "2024-10-27T12:00:00+01:00"},
    {"Europe/Berlin", "2024-10-27 23:59:59", "2024-10-27T23:59:59+01:00"},
};

// Java dates on the same days, both occurrences of the repeated hour among them, and the
// wall clock the client reads.
const TransitionRow kDepartureRows[] = {
    {"America/New_York", "2024-03-10 01:59:59", "2024-03-10T01:59:59-05:00"},
    {"America/New_York", "2024-03-10 03:00:00", "2024-03-10T03:00:00-04:00"},
    {"America/New_York", "2024-03-10 12:00:00", "2024-03-10T12:00:00-04:00"},
    {"America/New_York", "2024-11-03 01:30:00", "2024-11-03T01:30:00-04:00"},
    {"America/New_York", "2024-11-03 01:30:00", "2024-11-03T01:30:00-05:00"},
    {"America/New_York", "2024-11-03 12:00:00", "2024-11-03T12:00:00-05:00"},
    {"Europe/Berlin", "2024-03-31 01:59:59", "2024-03-31T01:59:59+01:00"},
    {"Europe/Berlin", "2024-03-31 03:00:00", "2024-03-31T03:00:00+02:00"},
    {"Europe/Berlin", "2024-03-31 12:00:00", "2024-03-31T12:00:00+02:00"},
    {"Europe/Berlin", "2024-10-27 02:30:00", "2024-10-27T02:30:00+02:00"},
    {"Europe/Berlin", "2024-10-27 02:30:00", "2024-10-27T02:30:00+01:00"},
    {"Europe/Berlin", "2024-10-27 12:00:00", "2024-10-27T12:00:00+01:00"},
};

class TransitionDays : public DatesThroughTheBridge, public ::testing::WithParamInterface<const char *> {
protected:
    void SetUp() override
    {
        use_standard_vm_setup();
        add_vm_option(std::string("-Duser.timezone=") + GetParam());
    }
};

TEST_P(TransitionDays, EveryExistingLocalTimeArrivesAsItself)
{
    for (const TransitionRow &row : kArrivalRows) {
        if (std::string(row.zone) != GetParam()) continue;
        SCOPED_TRACE(row.client);
        DATE sent = client_date(row.client);
        EXPECT_EQ(row.java, arrives_as(sent));
        CallResult back = round_trip(sent);
        ASSERT_EQ(S_OK, back.hr) << back.description;
        EXPECT_EQ(wall_clock_of(row.java), client_wall_clock(back.value->date));
    }
}

TEST_P(TransitionDays, JavaDatesComeBackAsTheirLocalTime)
{
    for (const TransitionRow &row : kDepartureRows) {
        if (std::string(row.zone) != GetParam()) continue;
        SCOPED_TRACE(row.java);
        CallResult made = java_date(row.java);
        ASSERT_EQ(S_OK, made.hr) << made.description;
        ASSERT_EQ(VT_DATE, made.value.type());
        EXPECT_EQ(client_date(row.client), made.value->date);
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, TransitionDays, ::testing::Values("America/New_York", "Europe/Berlin"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return test_names::sanitized(info.param);
                         });

}  // namespace
