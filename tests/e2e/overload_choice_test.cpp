// Which overload a call reaches: the one that takes every argument as it is, the closest of
// them, whatever the order in which the class lists its methods; the table-order walk only
// where none qualifies. A candidate that cannot even be looked at is passed over.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "bridge/proxy/proxy.h"
#include "client.h"
#include "javaref/java_reflect.h"
#include "jni_fault.h"
#include "test_names.h"
#include "test_process.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

// One argument as a client sends it.
struct Arg {
    VARTYPE type;
    double number;
    const char *text;
};

Arg R8(double v) { return {VT_R8, v, nullptr}; }
Arg R4(double v) { return {VT_R4, v, nullptr}; }
Arg I4(double v) { return {VT_I4, v, nullptr}; }
Arg I2(double v) { return {VT_I2, v, nullptr}; }
Arg UI2(double v) { return {VT_UI2, v, nullptr}; }
Arg I8(double v) { return {VT_I8, v, nullptr}; }
Arg UI1(double v) { return {VT_UI1, v, nullptr}; }
Arg CY(double v) { return {VT_CY, v, nullptr}; }
Arg BOOL(bool v) { return {VT_BOOL, v ? 1.0 : 0.0, nullptr}; }
Arg DATE_(double v) { return {VT_DATE, v, nullptr}; }
Arg BSTR_(const char *text) { return {VT_BSTR, 0, text}; }
Arg NOTHING() { return {VT_DISPATCH, 0, nullptr}; }
// A one-element safe array of I4.
Arg I4_ARRAY(double v) { return {VT_ARRAY | VT_I4, v, nullptr}; }

SAFEARRAY *i4_vector_of(LONG value)
{
    SAFEARRAY *array = SafeArrayCreateVector(VT_I4, 0, 1);
    LONG index = 0;
    if (array) SafeArrayPutElement(array, &index, &value);
    return array;
}

ScopedVariant variant_of(const Arg &arg)
{
    if (arg.type == VT_BSTR) return ScopedVariant::string(arg.text);
    ScopedVariant value;
    switch (arg.type) {
    case VT_R8:
        value->dblVal = arg.number;
        break;
    case VT_R4:
        value->fltVal = static_cast<float>(arg.number);
        break;
    case VT_I4:
        value->lVal = static_cast<LONG>(arg.number);
        break;
    case VT_I2:
        value->iVal = static_cast<SHORT>(arg.number);
        break;
    case VT_UI2:
        value->uiVal = static_cast<USHORT>(arg.number);
        break;
    case VT_I8:
        value->llVal = static_cast<LONGLONG>(arg.number);
        break;
    case VT_UI1:
        value->bVal = static_cast<BYTE>(arg.number);
        break;
    case VT_CY:
        value->cyVal.int64 = std::llround(arg.number * 10000);
        break;
    case VT_BOOL:
        value->boolVal = arg.number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case VT_DATE:
        value->date = arg.number;
        break;
    case VT_DISPATCH:
        value->pdispVal = nullptr;
        break;
    case VT_ARRAY | VT_I4:
        value->parray = i4_vector_of(static_cast<LONG>(arg.number));
        break;
    }
    value->vt = arg.type;
    return value;
}

// A result as text: a proxy by its toString, anything else coerced to a string.
std::string text_of_result(CallResult &result)
{
    if (result.value.type() == VT_DISPATCH) return text_of(call(result.value->pdispVal, "toString"));
    ScopedVariant text;
    if (FAILED(VariantChangeType(text.get(), result.value.get(), 0, VT_BSTR))) return "<no text>";
    return narrow(text->bstrVal);
}

struct ChoiceRow {
    const char *name;
    const char *class_name;
    const char *method;
    std::vector<Arg> args;
    const char *expected;
};

class OverloadChoice : public ::testing::TestWithParam<ChoiceRow> {
protected:
    void SetUp() override { use_standard_vm_setup(); }
};

TEST_P(OverloadChoice, TheClosestOverloadIsCalled)
{
    const ChoiceRow &row = GetParam();
    ComPtr<IDispatch> object = make(row.class_name);
    ASSERT_TRUE(object);
    std::vector<ScopedVariant> values;
    for (const Arg &arg : row.args) values.push_back(variant_of(arg));
    std::vector<const VARIANT *> pointers;
    for (const ScopedVariant &value : values) pointers.push_back(value.get());
    ASSERT_TRUE(pointers.size() == 1 || pointers.size() == 2) << "rows take one or two arguments";
    CallResult result = pointers.size() == 1 ? call(object.get(), row.method, {pointers[0]})
                                             : call(object.get(), row.method, {pointers[0], pointers[1]});
    ASSERT_EQ(S_OK, result.hr) << result.description;
    EXPECT_EQ(row.expected, text_of_result(result));
}

// Calls that lost the value or the kind of an argument when the first overload in table
// order took it, and calls whose choice was right already and must stay so.
const ChoiceRow kChoiceRows[] = {
    {"MaxOfDoubles", "java.lang.Math", "max", {R8(2.5), R8(1.5)}, "2.5"},
    {"AbsOfADouble", "java.lang.Math", "abs", {R8(-2.5)}, "2.5"},
    {"ValueOfADouble", "java.lang.String", "valueOf", {R8(2.5)}, "2.5"},
    {"ValueOfABoolean", "java.lang.String", "valueOf", {BOOL(true)}, "true"},
    {"AppendCurrency", "java.lang.StringBuilder", "append", {CY(1.5)}, "1.5"},
    {"AppendAByte", "java.lang.StringBuilder", "append", {UI1(7)}, "7"},
    {"AppendAFloat", "java.lang.StringBuilder", "append", {R4(1.5)}, "1.5"},
    {"AppendAWideInteger", "java.lang.StringBuilder", "append", {I8(1099511627776.0)}, "1099511627776"},
    {"AppendAShortAsAnInt", "java.lang.StringBuilder", "append", {I2(5)}, "5"},
    {"AppendAString", "java.lang.StringBuilder", "append", {BSTR_("s")}, "s"},
    {"MaxOfInts", "java.lang.Math", "max", {I4(3), I4(7)}, "7"},
    {"MaxOfAnIntAndADouble", "java.lang.Math", "max", {I4(3), R8(7.5)}, "7.5"},
    {"MaxOfWholeDoubles", "java.lang.Math", "max", {R8(5), R8(3)}, "5"},
    {"AbsOfAnInt", "java.lang.Math", "abs", {I4(-3)}, "3"},
    {"ValueOfAnInt", "java.lang.String", "valueOf", {I4(42)}, "42"},
    {"ValueOfAString", "java.lang.String", "valueOf", {BSTR_("x")}, "x"},
    {"DescribeAnInt", "fixtures.Calculator", "describe", {I4(7)}, "int:7"},
    {"DescribeAString", "fixtures.Calculator", "describe", {BSTR_("s")}, "String:s"},
    {"PickAnIntOverADate", "fixtures.Calculator", "pick", {I4(5)}, "int:5"},
    {"PickADate", "fixtures.Calculator", "pick", {DATE_(36526)}, "Date"},
    {"AStringKeepsTheStringNamesake", "fixtures.Namesakes", "text", {BSTR_("s")}, "String"},
    // An argument fits the classes that it becomes for a parameter of another class, as the
    // conversion makes it: a Character, a Date, an array (a Serializable before an Object).
    {"ACharacterCodeIsComparable", "fixtures.Namesakes$BooleanFirst", "sortable", {UI2(65)}, "Comparable"},
    {"ADateIsComparable", "fixtures.Namesakes$BooleanFirst", "sortable", {DATE_(36526)}, "Comparable"},
    {"AnArrayIsSerializable", "fixtures.Namesakes", "kept", {I4_ARRAY(1)}, "Serializable"},
    // A null object passes only where an object goes: not for String, whose conversion takes text alone.
    {"NothingGoesToTheMostSpecificThatTakesIt", "fixtures.Namesakes", "text", {NOTHING()}, "CharSequence"},
    // A one-letter text is a char, after a String (AStringKeepsTheStringNamesake); longer text is none.
    {"ALetterIsAChar", "fixtures.Namesakes", "letter", {BSTR_("x")}, "char:x"},
    {"LongerTextIsNoChar", "fixtures.Namesakes", "letter", {BSTR_("xy")}, "Object:xy"},
    // A fraction that a float only rounds takes the float rather than an integer's rounding.
    {"AFractionRoundsIntoAFloat", "fixtures.Namesakes", "level", {R8(0.9)}, "float:0.9"},
    // A currency that a double would change is the exact BigDecimal; a whole one stays a double.
    {"CurrencyThatADoubleRoundsIsExact", "fixtures.Namesakes", "amount", {CY(19.99)}, "BigDecimal:19.99"},
    {"WholeCurrencyStaysADouble", "fixtures.Namesakes", "amount", {CY(20)}, "double:20.0"},
    // Only the array's elements convert under the strict rule; the byte beside it is vouched for.
    {"AByteBesideAnArray", "fixtures.Namesakes", "find", {I4_ARRAY(5), UI1(5)}, "int[]"},
    {"ATieGoesToTheFirstSignature", "fixtures.Namesakes", "tied", {BSTR_("s")}, "Serializable"},
};

INSTANTIATE_TEST_SUITE_P(Calls, OverloadChoice, ::testing::ValuesIn(kChoiceRows),
                         test_names::by_field<&ChoiceRow::name>);

std::string java_text_of(JNIEnv *env, jobject object)
{
    auto text = static_cast<jstring>(env->CallObjectMethod(object, java_reflect.method_toString));
    const char *chars = env->GetStringUTFChars(text, nullptr);
    std::string copy = chars;
    env->ReleaseStringUTFChars(text, chars);
    env->DeleteLocalRef(text);
    return copy;
}

// A sorted map fits (Map) and (SortedMap) alike; Java takes the (SortedMap) namesake, and so
// must the bridge whichever comes first in the table: in a class of each order, and among
// ConcurrentSkipListMap's constructors (its (Map) one first), whose copy then keeps the order.
TEST(Specificity, ASortedMapGoesToTheSortedMapNamesake)
{
    use_standard_vm_setup();
    ComPtr<IDispatch> collections, reversed, copy;
    ASSERT_EQ(S_OK, statics("java.util.Collections", collections));
    ASSERT_EQ(S_OK, new_object("java.util.TreeMap", {call(collections.get(), "reverseOrder").value.get()}, reversed));
    for (const char *text : {"a", "b", "c"}) {
        ScopedVariant key = ScopedVariant::string(text);
        ASSERT_EQ(S_OK, call(reversed.get(), "put", {key.get(), key.get()}).hr);
    }
    ScopedVariant map = ScopedVariant::dispatch(reversed.get());
    for (const char *class_name : {"fixtures.Namesakes$GeneralFirst", "fixtures.Namesakes$SpecificFirst"}) {
        ComPtr<IDispatch> klass;
        ASSERT_EQ(S_OK, statics(class_name, klass));
        EXPECT_EQ("SortedMap", text_of(call(klass.get(), "pick", {map.get()}))) << class_name;
    }
    ASSERT_EQ(S_OK, new_object("java.util.concurrent.ConcurrentSkipListMap", {map.get()}, copy));
    EXPECT_EQ("c", text_of(call(copy.get(), "firstKey")));
}

class OverloadWalk : public ::testing::Test {
protected:
    void SetUp() override { use_standard_vm_setup(); }
};

// Only when no overload takes the arguments as they are does the walk coerce: a string
// into a Date parameter (no candidate takes text without a change of kind).
TEST_F(OverloadWalk, CoercesWhereNoCandidateQualifies)
{
    ComPtr<IDispatch> calc = make("fixtures.Calculator");
    ScopedVariant text = ScopedVariant::string("1/1/2000");
    CallResult result = call(calc.get(), "pick", {text.get()});
    ASSERT_EQ(S_OK, result.hr) << result.description;
    EXPECT_EQ("Date", text_of(result));
}

// Reading a candidate's reflection facts is part of trying it: a Java failure there refuses
// that candidate, and the walk goes on to the next.
TEST_F(OverloadWalk, ACandidateThatCannotBeReadIsPassedOver)
{
    ComPtr<IDispatch> calc = make("fixtures.Calculator");
    DISPID first = dispid_of(calc.get(), "describe");
    ComPtr<IProxy> proxy;
    calc->QueryInterface(IID_IProxy, proxy.put_void());
    const MethodTable &table = *static_cast<CProxy *>(proxy.get())->methods();
    JNIEnv *env = get_env();
    jobject method = table.at(first - 1).method.get();
    // The argument that only the second candidate in table order takes.
    const bool first_takes_int =
        java_text_of(env, method) == "public java.lang.String fixtures.Calculator.describe(int)";
    ScopedVariant arg = first_takes_int ? ScopedVariant::string("s") : ScopedVariant::i4(7);

    JniFault fault(env, method, java_reflect.method_getParameterTypes);
    CallResult result = call(calc.get(), "describe", {arg.get()});
    EXPECT_EQ(S_OK, result.hr) << result.description;
    EXPECT_EQ(first_takes_int ? "String:s" : "int:7", text_of(result));
    EXPECT_GE(fault.failures(), 1) << "the first candidate's facts were never asked for";
}

}  // namespace
