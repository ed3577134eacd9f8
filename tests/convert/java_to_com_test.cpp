// Java results to automation values: wrappers, strings, dates, ordinary objects as proxies,
// and arrays of every element type and depth as safe arrays.
#include <gtest/gtest.h>

#include <string>

#include "bridge/proxy/proxy.h"
#include "com/interfaces.h"
#include "com_holders.h"
#include "convert/java_to_com.h"
#include "convert_fixture.h"
#include "debug_output.h"
#include "errors.h"
#include "test_values.h"
#include "vmhost/global_ref.h"

using namespace tavlin;
using namespace tavlin_test;

namespace convert_test {

namespace {

struct Row {
    const char *sample;    // the Java value (Probe.sample)
    const char *expected;  // the automation value (describe_variant)
};

const Row kValueRows[] = {
    {"true", "BOOL:-1"},
    {"false", "BOOL:0"},
    {"byte -1", "I1:-1"},
    {"char A", "UI2:65"},
    {"short -12345", "I2:-12345"},
    {"int 7", "I4:7"},
    {"long -1", "I4:-1"},
    {"long -2^31", "I4:-2147483648"},
    {"long 2^31", "R8:2147483648"},
    {"long 2^32+1", "R8:4294967297"},
    {"float 1.5", "R4:1.5"},
    {"double -2.25", "R8:-2.25"},
    {"empty string", "BSTR:"},
    {"accented", "BSTR:caf\\u00e9 \\u00fcber"},
    {"non-BMP", "BSTR:a\\ud83d\\ude00b"},
    {"embedded NUL", "BSTR:a\\u0000b"},
    // Local time (Europe/Berlin here), whole seconds: automation dates ignore milliseconds.
    // Before 30 December 1899 the whole days count backwards and the time of day forwards.
    {"1999-12-31 23:59:58", "DATE:36525.999977"},
    {"1850-01-01 06:00:00", "DATE:-18260.250000"},
    {"1899-12-29 06:00:00", "DATE:-1.250000"},
    {"2000-01-01 12:00:00.750", "DATE:36526.500000"},
    {"timestamp", "DISPATCH:java/sql/Timestamp"},
    {"object", "DISPATCH:java/lang/Object"},
    {"array list", "DISPATCH:java/util/ArrayList"},
    {"probe", "DISPATCH:convertfixtures/Probe"},
};

const Row kArrayRows[] = {
    {"boolean[]", "ARRAY UI1[2]{1,0}"},
    {"byte[]", "ARRAY I1[2]{-1,2}"},
    {"char[]", "ARRAY UI2[2]{65,233}"},
    {"short[]", "ARRAY I2[2]{-3,4}"},
    {"int[]", "ARRAY I4[3]{1,2,3}"},
    {"long[]", "ARRAY R8[3]{1,-5,9007199254740992}"},
    {"float[]", "ARRAY R4[2]{1.5,-2}"},
    {"double[]", "ARRAY R8[2]{0.25,-1e+300}"},
    {"int[2][3]", "ARRAY I4[2,3]{{1,2,3},{4,5,6}}"},
    {"double[2][2]", "ARRAY R8[2,2]{{1.5,2.5},{3.5,4.5}}"},
    {"long[2][2]", "ARRAY R8[2,2]{{1,2},{3,-4}}"},
    {"int[2][2][2]", "ARRAY I4[2,2,2]{{{1,2},{3,4}},{{5,6},{7,8}}}"},
    {"String[]", "ARRAY VARIANT[3]{BSTR:a,EMPTY,BSTR:b}"},
    {"String[][]", "ARRAY VARIANT[2,2]{{BSTR:a,BSTR:b},{BSTR:c,BSTR:d}}"},
    {"Object[]", "ARRAY VARIANT[3]{I4:7,DATE:36525.999977,ARRAY I4[2]{1,2}}"},
    {"Integer[]", "ARRAY VARIANT[3]{I4:1,EMPTY,I4:3}"},
    {"empty int[]", "ARRAY I4[0]{}"},
    {"empty double[]", "ARRAY R8[0]{}"},
    {"empty String[]", "ARRAY VARIANT[0]{}"},
    {"int[2][0]", "ARRAY I4[2,0]{{},{}}"},
    {"int[0][]", "ARRAY I4[0,0]{}"},
    // Ragged arrays take the longest row at each depth; shorter rows leave zeros or EMPTY.
    {"ragged int[][]", "ARRAY I4[2,3]{{1,0,0},{2,3,4}}"},
    {"ragged String[][]", "ARRAY VARIANT[2,2]{{BSTR:a,EMPTY},{BSTR:b,BSTR:c}}"},
    {"int[][] with null row", "ARRAY I4[3,2]{{1,2},{0,0},{3,0}}"},
    {"ragged int[][][]", "ARRAY I4[2,2,2]{{{1,0},{0,0}},{{2,0},{3,4}}}"},
};

class JavaToCom : public ConvertTest {
protected:
    // Converts each sample; the conversion takes over the sample's local reference and
    // leaves no other behind, and the result owns everything it holds.
    void check(const Row *rows, size_t count)
    {
        for (size_t r = 0; r < count; ++r) {
            const Row &row = rows[r];
            SCOPED_TRACE(row.sample);
            jobject value = sample(row.sample);
            ASSERT_NE(nullptr, value);
            int before = local_refs();
            ScopedVariant result;
            ThrownError error = error_of([&] { convert_java_to_com(env(), value, result.get()); });
            EXPECT_FALSE(error.thrown) << error.description;
            EXPECT_EQ(before - 1, local_refs()) << "the sample's reference must be gone, and nothing else left";
            EXPECT_EQ(row.expected, describe_variant(*result.get()));
        }
    }
};

}  // namespace

TEST_F(JavaToCom, WrappersStringsDatesAndObjects) { check(kValueRows, std::size(kValueRows)); }

TEST_F(JavaToCom, ArraysOfEveryElementTypeAndDepth) { check(kArrayRows, std::size(kArrayRows)); }

TEST_F(JavaToCom, AnArrayLineGoesToTheDebuggerOutputForEveryArrayVisited)
{
    const struct {
        const char *sample;
        const char *lines;
    } rows[] = {
        {"int[]", "ARRAY len = 3\r\n"},
        {"int[2][3]", "ARRAY len = 2\r\nARRAY len = 3\r\nARRAY len = 3\r\n"},
        {"int[][] with null row", "ARRAY len = 3\r\nARRAY len = 2\r\nARRAY len = 1\r\n"},
        {"Object[]", "ARRAY len = 3\r\nARRAY len = 2\r\n"},
        {"empty String[]", "ARRAY len = 0\r\n"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.sample);
        jobject value = sample(row.sample);
        ScopedVariant result;
        DebugOutput traces;
        ::testing::internal::CaptureStdout();
        convert_java_to_com(env(), value, result.get());
        EXPECT_EQ("", ::testing::internal::GetCapturedStdout()) << "standard output belongs to the client";
        std::string traced;
        for (const std::string &line : traces.lines()) traced += line;
        EXPECT_EQ(row.lines, traced);
    }
}

TEST_F(JavaToCom, ObjectsComeBackAsProxiesOfTheVeryObject)
{
    jobject list = sample("array list");
    GlobalRef<> kept = new_global_ref(env(), list);
    ScopedVariant result;
    convert_java_to_com(env(), list, result.get());
    ASSERT_EQ(VT_DISPATCH, result.type());
    void *found = nullptr;
    ASSERT_EQ(S_OK, result->pdispVal->QueryInterface(IID_IProxy, &found));
    auto *proxy = static_cast<IProxy *>(found);
    EXPECT_TRUE(env()->IsSameObject(kept.get(), static_cast<CProxy *>(proxy)->java_object()));
    proxy->Release();
}

}  // namespace convert_test
