// Automation arguments to the Java value of one parameter: the scalar table under the strict
// and the lenient rules, references, strings, dates, parameters of other classes, proxies.
#include <gtest/gtest.h>

#include <string>

#include "bridge/proxy/proxy.h"
#include "client.h"
#include "convert/com_to_java.h"
#include "convert_fixture.h"
#include "errors.h"
#include "foreign_dispatch.h"
#include "test_values.h"

using namespace tavlin;
using namespace tavlin_test;

namespace convert_test {

namespace {

// Under which rule a row holds: strict (another overload of the name follows), lenient
// (coerce as far as the platform allows), or both alike.
enum Rule { S, L, B };

struct Row {
    const char *type;
    const char *arg;
    Rule rule;
    const char *expected;  // what Java receives, or "error:" and the message
};

const char kNotString[] = "error:convert_com_to_java: Expecting java/lang/String, got non-string\n";
const char kLongMin[] = "long:-9223372036854775808";

const Row kScalarRows[] = {
    {"boolean", "BOOL:true", B, "boolean:true"},
    {"boolean", "BOOL:false", B, "boolean:false"},
    {"boolean", "I4:2", B, "boolean:true"},
    {"boolean", "BSTR:abc", B, "error:Unable to coerce parameter data to boolean: 0x80020005"},
    {"byte", "I1:-5", B, "byte:-5"},
    {"byte", "UI1:5", S, "error:CHECK_NUMERIC_VARIANT, expecting byte, got 17\n"},
    {"byte", "UI1:5", L, "byte:5"},
    {"byte", "I4:300", B, "error:Unable to coerce parameter data to byte: 0x8002000A"},
    {"char", "UI2:65", B, "char:65"},
    {"char", "BSTR:65", L, "char:65"},
    {"char", "BSTR:65", S, "error:CHECK_NUMERIC_VARIANT, expecting char, got 8\n"},
    {"char", "BSTR:a", B, "char:97"},
    {"java/lang/Character", "BSTR:a", B, "java.lang.Character:97"},
    {"char", "BSTR:", L, "error:Unable to coerce parameter data to char: 0x80020005"},
    {"short", "I2:-3", B, "short:-3"},
    {"short", "R8:2.5", B, "short:2"},
    {"int", "I4:7", B, "int:7"},
    {"int", "R8:2.9", B, "int:3"},
    {"int", "BSTR:12", L, "int:12"},
    {"int", "BSTR:12", S, "error:CHECK_NUMERIC_VARIANT, expecting int, got 8\n"},
    {"int", "BSTR:abc", L, "error:Unable to coerce parameter data to int: 0x80020005"},
    {"int", "DECIMAL:41", B, "int:41"},
    {"int", "EMPTY", B, "int:0"},
    {"int", "NULL", B, "int:0"},
    {"long", "R8:2.9", B, "long:2"},
    {"long", "R8:-2.9", B, "long:-2"},
    {"long", "R8:1e300", B, kLongMin},
    {"long", "R8:nan", B, kLongMin},
    {"long", "I8:9007199254740993", B, "long:9007199254740993"},
    {"long", "UI8:9223372036854775807", B, "long:9223372036854775807"},
    {"long", "UI8:18446744073709551615", B, "error:Unable to coerce parameter data to long: 0x8002000A"},
    {"long", "I4:-7", B, "long:-7"},
    {"long", "BOOL:true", B, "long:-1"},
    {"float", "R4:1.5", B, "float:1.500000"},
    {"float", "I4:3", B, "float:3.000000"},
    {"double", "R8:2.25", B, "double:2.250000"},
    {"double", "BSTR:x", S, "error:CHECK_NUMERIC_VARIANT, expecting double, got 8\n"},
    {"java/lang/Boolean", "BOOL:true", B, "java.lang.Boolean:true"},
    {"java/lang/Boolean", "UI1:0", B, "java.lang.Boolean:false"},
    {"java/lang/Byte", "I1:-1", B, "java.lang.Byte:-1"},
    {"java/lang/Character", "UI2:65", B, "java.lang.Character:65"},
    {"java/lang/Short", "I2:-3", B, "java.lang.Short:-3"},
    {"java/lang/Integer", "I4:7", B, "java.lang.Integer:7"},
    {"java/lang/Integer", "BSTR:12", S, "error:CHECK_NUMERIC_VARIANT, expecting java/lang/Integer, got 8\n"},
    {"java/lang/Integer", "BSTR:12", L, "java.lang.Integer:12"},
    {"java/lang/Integer", "EMPTY", B, "null"},
    {"java/lang/Long", "R8:4294967297", B, "java.lang.Long:4294967297"},
    {"java/lang/Long", "R8:1e300", B, "java.lang.Long:-9223372036854775808"},
    {"java/lang/Long", "I8:9007199254740993", B, "java.lang.Long:9007199254740993"},
    {"java/lang/Float", "R4:1.5", B, "java.lang.Float:1.5"},
    {"java/lang/Double", "R8:2.5", B, "java.lang.Double:2.5"},
};

const Row kReferenceRows[] = {
    {"int", "&I4:5", B, "int:5"},
    {"int", "&VARIANT:I4:6", B, "int:6"},
    {"int", "&VARIANT:EMPTY", B, "int:0"},
    {"int", "&BSTR:9", S, "error:CHECK_NUMERIC_VARIANT, expecting int, got 8\n"},
    {"long", "&I8:9007199254740993", B, "long:9007199254740993"},
    {"java/lang/Long", "&UI8:9223372036854775808", B,
     "error:Unable to coerce parameter data to java/lang/Long: 0x8002000A"},
    {"double", "&R8:0.5", B, "double:0.500000"},
    {"boolean", "&BOOL:true", B, "boolean:true"},
    {"java/lang/Short", "&I2:12", B, "java.lang.Short:12"},
    {"java/lang/String", "&BSTR:x", B, "java.lang.String:x"},
    {"java/lang/String", "&VARIANT:BSTR:x", B, "java.lang.String:x"},
    {"java/util/Date", "&DATE:36526.5", B, "java.util.Date:2000-01-01 12:00:00.000"},
};

const Row kStringRows[] = {
    {"java/lang/String", "BSTR:abc", B, "java.lang.String:abc"},
    {"java/lang/String", "BSTR:", B, "java.lang.String:"},
    {"java/lang/String", "BSTR", B, "java.lang.String:"},
    {"java/lang/String", "BSTR:caf\xc3\xa9", B, "java.lang.String:caf\\u00e9"},
    {"java/lang/String",
     "BSTR:a\xf0\x9f\x98\x80"
     "b",
     B, "java.lang.String:a\\ud83d\\ude00b"},
    {"java/lang/String", "BSTR:a\\0b", B, "java.lang.String:a\\u0000b"},
    {"java/lang/String", "I4:1", B, kNotString},
    {"java/lang/String", "DATE:0", B, kNotString},
};

// Automation dates count days from 30 December 1899, local time (Europe/Berlin here); a
// negative date counts whole days backwards and the time of day forwards, as oleaut32 reads
// it; seconds round up only past one half.
const Row kDateRows[] = {
    {"java/util/Date", "DATE:36526.5", B, "java.util.Date:2000-01-01 12:00:00.000"},
    {"java/util/Date", "DATE:0", B, "java.util.Date:1899-12-30 00:00:00.000"},
    {"java/util/Date", "DATE:-1.25", B, "java.util.Date:1899-12-29 06:00:00.000"},
    {"java/util/Date", "DATE:-18260", B, "java.util.Date:1850-01-01 00:00:00.000"},
    {"java/util/Date", "DATE:36707.75", B, "java.util.Date:2000-06-30 18:00:00.000"},
    {"java/util/Date", "DATE:36526.500004", B, "java.util.Date:2000-01-01 12:00:00.000"},
    {"java/util/Date", "DATE:36526.500007", B, "java.util.Date:2000-01-01 12:00:01.000"},
    {"java/util/Date", "R8:36526.5", B, "java.util.Date:2000-01-01 12:00:00.000"},
    {"java/util/Date", "BSTR:x", B, "error:Unable to coerce parameter data to java/util/Date: 0x80020005"},
    {"java/util/Date", "DATE:1e300", B, "error:Unable to coerce parameter data to java/util/Date: 0x8002000A"},
};

// For a parameter of any other class the argument's own type picks the Java class; the
// result must be an instance of the parameter's class.
const Row kOtherClassRows[] = {
    {"java/lang/Object", "I2:-3", B, "java.lang.Short:-3"},
    {"java/lang/Object", "I4:7", B, "java.lang.Integer:7"},
    {"java/lang/Object", "R4:1.5", B, "java.lang.Float:1.5"},
    {"java/lang/Object", "R8:2.5", B, "java.lang.Double:2.5"},
    {"java/lang/Object", "DATE:36526.5", B, "java.util.Date:2000-01-01 12:00:00.000"},
    {"java/lang/Object", "BSTR:s", B, "java.lang.String:s"},
    {"java/lang/Object", "BOOL:true", B, "java.lang.Boolean:true"},
    {"java/lang/Object", "I1:-1", B, "java.lang.Byte:-1"},
    {"java/lang/Object", "UI1:1", B, "java.lang.Boolean:true"},
    {"java/lang/Object", "UI2:65", B, "java.lang.Character:65"},
    {"java/lang/Object", "EMPTY", B, "null"},
    {"java/lang/Object", "&I4:5", B, "java.lang.Integer:5"},
    {"java/lang/Object", "&VARIANT:&VARIANT:I2:4", B, "java.lang.Short:4"},
    // A currency or decimal is the exact BigDecimal: a currency without its type's trailing
    // zeros, a decimal with its own scale; a method's text parameter takes neither.
    {"java/lang/Object", "CY:1", B, "java.math.BigDecimal:1"},
    {"java/lang/Object", "&CY:1", B, "java.math.BigDecimal:1"},
    {"java/lang/Number", "CY:19.99", B, "java.math.BigDecimal:19.99"},
    {"java/math/BigDecimal", "CY:-922337203685477.5808", B, "java.math.BigDecimal:-922337203685477.5808"},
    {"java/math/BigDecimal", "DECIMAL:79228162514264337593543950335", B,
     "java.math.BigDecimal:79228162514264337593543950335"},
    {"java/math/BigDecimal", "DECIMAL:-0.0000000001", B, "java.math.BigDecimal:-1E-10"},
    {"java/lang/Comparable", "DECIMAL:2.50", B, "java.math.BigDecimal:2.50"},
    {"java/lang/Runnable", "CY:1", B,
     "error:Argument of class java/math/BigDecimal cannot be passed as java/lang/Runnable"},
    {"java/lang/String", "CY:19.99", B, "error:convert_com_to_java: Expecting java/lang/String, got non-string\n"},
    {"java/lang/Object", "I8:1", B, "error:Unable to determine how to coerce parameter data: 20"},
    {"java/lang/Object", "UI4:1", B, "error:Unable to determine how to coerce parameter data: 19"},
    {"java/lang/Object", "INT:1", B, "error:Unable to determine how to coerce parameter data: 22"},
    {"java/lang/Object", "ERROR:0", B, "error:Unable to determine how to coerce parameter data: 10"},
    {"java/lang/Number", "I4:7", B, "java.lang.Integer:7"},
    {"java/lang/Number", "BSTR:x", B, "error:Argument of class java/lang/String cannot be passed as java/lang/Number"},
    {"java/lang/CharSequence", "BSTR:x", B, "java.lang.String:x"},
    {"java/lang/Comparable", "BOOL:false", B, "java.lang.Boolean:false"},
    {"java/io/Serializable", "DATE:0", B, "java.util.Date:1899-12-30 00:00:00.000"},
    {"convertfixtures/Probe$Marker", "I4:1", S,
     "error:Argument of class java/lang/Integer cannot be passed as convertfixtures/Probe$Marker"},
    {"convertfixtures/Probe$Marker", "NULL", B, "null"},
};

bool is_primitive(const std::string &type) { return type.find('/') == std::string::npos && type[0] != '['; }

class ComToJava : public ConvertTest {
protected:
    // Converts every row and compares what Java received; a success holds exactly what its
    // release code says, a failure nothing, and no local reference outlives the slot.
    void check(const Row *rows, size_t count)
    {
        for (size_t r = 0; r < count; ++r) {
            const Row &row = rows[r];
            if (row.rule != L) check_one(row, true);
            if (row.rule != S) check_one(row, false);
        }
    }

    void check_one(const Row &row, bool strict)
    {
        SCOPED_TRACE(std::string(row.type) + " <- " + row.arg + (strict ? " (strict)" : " (lenient)"));
        JavaType type = parameter(row.type);
        TestVariant arg(row.arg);
        int before = local_refs();
        {
            PreparedArguments args(env(), 1);
            ThrownError error = error_of([&] { convert_com_to_java(env(), arg.get(), args, 0, type, strict); });
            if (error.thrown) {
                EXPECT_EQ(row.expected, "error:" + error.description);
                EXPECT_EQ(ARG_NONE, args.release_code(0));
            } else {
                std::string received = describe_slot(args, 0, row.type);
                EXPECT_EQ(row.expected, received);
                bool plain = is_primitive(row.type) || received == "null";
                EXPECT_EQ(plain ? ARG_PLAIN : ARG_LOCAL, args.release_code(0));
            }
        }
        EXPECT_EQ(before, local_refs()) << "local references left behind";
    }
};

}  // namespace

TEST_F(ComToJava, ScalarTableUnderStrictAndLenientRules) { check(kScalarRows, std::size(kScalarRows)); }

TEST_F(ComToJava, ArgumentsByReference) { check(kReferenceRows, std::size(kReferenceRows)); }

TEST_F(ComToJava, StringsKeepEveryCharacter) { check(kStringRows, std::size(kStringRows)); }

TEST_F(ComToJava, DatesAreLocalTimeFromTheAutomationEpoch) { check(kDateRows, std::size(kDateRows)); }

TEST_F(ComToJava, OtherClassesFollowTheArgumentsType) { check(kOtherClassRows, std::size(kOtherClassRows)); }

TEST_F(ComToJava, StrictRuleNamesTheFullTypeOfAnArray)
{
    SafeArrayHolder array = vector_of(VT_I4, 0, {"I4:1"});
    VARIANT arg;
    arg.vt = VT_ARRAY | VT_I4;
    arg.parray = array.get();
    PreparedArguments args(env(), 1);
    ThrownError error = error_of([&] { convert_com_to_java(env(), &arg, args, 0, parameter("int"), true); });
    EXPECT_EQ("CHECK_NUMERIC_VARIANT, expecting int, got 8195\n", error.description);
}

TEST_F(ComToJava, NullArgumentFillsTheWholeSlot)
{
    PreparedArguments args(env(), 1);
    convert_com_to_java(env(), nullptr, args, 0, parameter("double"), true);
    EXPECT_EQ(0, args.value(0).j);
    EXPECT_EQ(ARG_PLAIN, args.release_code(0));
}

class ProxiesPassedBack : public ComToJava {
protected:
    void SetUp() override
    {
        ComToJava::SetUp();
        jobject list = sample("array list");
        proxy_.reset(new_proxy(env(), list, "java/util/ArrayList"));
        env()->DeleteLocalRef(list);
        ASSERT_TRUE(proxy_);
        java_object_ = static_cast<CProxy *>(static_cast<IProxy *>(proxy_.get()))->java_object();
    }
    ComPtr<IDispatch> proxy_;
    jobject java_object_ = nullptr;
};

TEST_F(ProxiesPassedBack, JavaReceivesTheProxiedObjectItself)
{
    struct {
        const char *type;
        bool by_reference;
    } rows[] = {{"java/lang/Object", false}, {"java/util/List", false}, {"java/util/ArrayList", true}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.type);
        IDispatch *pointer = proxy_.get();
        VARIANT arg;
        arg.vt = row.by_reference ? VT_DISPATCH | VT_BYREF : VT_DISPATCH;
        if (row.by_reference)
            arg.ppdispVal = &pointer;
        else
            arg.pdispVal = pointer;
        JavaType type = parameter(row.type);
        int before = local_refs();
        {
            PreparedArguments args(env(), 1);
            convert_com_to_java(env(), &arg, args, 0, type, true);
            EXPECT_TRUE(env()->IsSameObject(java_object_, args.value(0).l));
            EXPECT_EQ(ARG_BORROWED, args.release_code(0));
        }
        EXPECT_EQ(before, local_refs());
    }
    CallResult size = call(proxy_.get(), "size");
    ASSERT_EQ(S_OK, size.hr) << size.description;
    EXPECT_EQ("I4:0", describe_variant(*size.value.get()));
}

TEST_F(ProxiesPassedBack, ProxyOfTheWrongClassIsRefusedAndKeepsItsObject)
{
    ScopedVariant arg = ScopedVariant::dispatch(proxy_.get());
    PreparedArguments args(env(), 1);
    ThrownError error =
        error_of([&] { convert_com_to_java(env(), arg.get(), args, 0, parameter("java/lang/Number"), true); });
    EXPECT_EQ("Argument of class java/util/ArrayList cannot be passed as java/lang/Number", error.description);
    EXPECT_EQ(ARG_NONE, args.release_code(0));
    EXPECT_EQ(JNIGlobalRefType, env()->GetObjectRefType(java_object_));
}

TEST_F(ComToJava, ForeignAndNullObjects)
{
    ForeignDispatch foreign;
    ScopedVariant arg = ScopedVariant::dispatch(&foreign);
    PreparedArguments args(env(), 1);
    ThrownError error =
        error_of([&] { convert_com_to_java(env(), arg.get(), args, 0, parameter("java/lang/Object"), true); });
    EXPECT_EQ("Unsupported object type.", error.description);
    EXPECT_EQ(2u, foreign.references) << "the query took no reference of its own";

    ScopedVariant none = ScopedVariant::dispatch(nullptr);
    convert_com_to_java(env(), none.get(), args, 0, parameter("java/lang/Object"), true);
    EXPECT_EQ(nullptr, args.value(0).l);
    EXPECT_EQ(ARG_PLAIN, args.release_code(0));
}

}  // namespace convert_test
