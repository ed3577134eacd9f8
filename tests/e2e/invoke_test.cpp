// Calls through Invoke as a client makes them: arguments, overloads, statics, and every
// kind of result.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "client.h"
#include "debug_output.h"
#include "test_names.h"
#include "test_process.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

class Invoke : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_standard_vm_setup();
        calc_ = make("fixtures.Calculator");
        ASSERT_TRUE(calc_);
    }
    ComPtr<IDispatch> calc_;
};

}  // namespace

TEST_F(Invoke, InstanceMethodWithArguments)
{
    ScopedVariant a = ScopedVariant::i4(2), b = ScopedVariant::i4(40);
    CallResult sum = call(calc_.get(), "add", {a.get(), b.get()});
    ASSERT_EQ(S_OK, sum.hr);
    EXPECT_EQ(VT_I4, sum.value.type());
    EXPECT_EQ(42, sum.value->lVal);
}

TEST_F(Invoke, ArgumentsArriveLastFirst)
{
    ScopedVariant one = ScopedVariant::i4(1), text = ScopedVariant::string("x");
    CallResult result = call(calc_.get(), "order", {one.get(), text.get()});
    ASSERT_EQ(S_OK, result.hr) << result.description;
    EXPECT_EQ("1/x", text_of(result));
}

TEST_F(Invoke, OverloadIsChosenByArgumentType)
{
    ScopedVariant number = ScopedVariant::i4(7), text = ScopedVariant::string("s");
    EXPECT_EQ("int:7", text_of(call(calc_.get(), "describe", {number.get()})));
    EXPECT_EQ("String:s", text_of(call(calc_.get(), "describe", {text.get()})));
}

TEST_F(Invoke, StaticMethodsAreCalledOnTheClass)
{
    ScopedVariant v = ScopedVariant::i4(21);
    CallResult twice = call(calc_.get(), "twice", {v.get()});
    ASSERT_EQ(S_OK, twice.hr);
    EXPECT_EQ(42, twice.value->lVal);
    EXPECT_EQ("hello", text_of(call(calc_.get(), "greeting")));
}

struct ResultRow {
    const char *method;
    VARTYPE type;
    double value;  // compared after conversion to double; ignored for VT_EMPTY
};

class Results : public Invoke, public ::testing::WithParamInterface<ResultRow> {};

TEST_P(Results, EachReturnTypeHasItsAutomationType)
{
    const ResultRow &row = GetParam();
    CallResult result = call(calc_.get(), row.method);
    ASSERT_EQ(S_OK, result.hr) << row.method << ": " << result.description;
    ASSERT_EQ(row.type, result.value.type()) << row.method;
    if (row.type == VT_EMPTY) return;
    VARIANT number;
    VariantInit(&number);
    ASSERT_EQ(S_OK, VariantChangeType(&number, result.value.get(), 0, VT_R8));
    EXPECT_EQ(row.value, number.dblVal) << row.method;
}

INSTANTIATE_TEST_SUITE_P(Rows, Results,
                         ::testing::Values(ResultRow{"yes", VT_BOOL, -1}, ResultRow{"no", VT_BOOL, 0},
                                           ResultRow{"minusOne", VT_I1, -1}, ResultRow{"letterA", VT_UI2, 65},
                                           ResultRow{"shortValue", VT_I2, -12345},
                                           ResultRow{"intValue", VT_I4, 2147483647},
                                           ResultRow{"big", VT_R8, 4294967297.0},
                                           ResultRow{"huge", VT_R8, 9007199254740992.0}, ResultRow{"half", VT_R4, 0.5},
                                           ResultRow{"pi", VT_R8, 3.25}, ResultRow{"nothing", VT_EMPTY, 0},
                                           ResultRow{"nothingThere", VT_EMPTY, 0}, ResultRow{"noArray", VT_EMPTY, 0},
                                           ResultRow{"noString", VT_EMPTY, 0}, ResultRow{"boxed", VT_I4, 42}),
                         test_names::by_field<&ResultRow::method>);

TEST_F(Invoke, VoidMethodRunsAndLeavesNoResult)
{
    EXPECT_EQ(S_OK, call(calc_.get(), "nothing").hr);
    EXPECT_EQ(S_OK, call(calc_.get(), "nothing").hr);
    EXPECT_EQ(2, call(calc_.get(), "counter").value->lVal);
}

TEST_F(Invoke, ObjectGraphIsWalkedThroughProxies)
{
    CallResult map = call(calc_.get(), "graph");
    ASSERT_EQ(VT_DISPATCH, map.value.type());
    ScopedVariant key = ScopedVariant::string("letters");
    CallResult list = call(map.value->pdispVal, "get", {key.get()});
    ASSERT_EQ(VT_DISPATCH, list.value.type());
    EXPECT_EQ(2, call(list.value->pdispVal, "size").value->lVal);
    ScopedVariant zero = ScopedVariant::i4(0);
    EXPECT_EQ("x", text_of(call(list.value->pdispVal, "get", {zero.get()})));
}

TEST_F(Invoke, NoResultVariantIsFine)
{
    DISPID graph = dispid_of(calc_.get(), "graph");
    DISPID big = dispid_of(calc_.get(), "big");
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    const IID null_iid = {};
    EXPECT_EQ(S_OK, calc_->Invoke(graph, null_iid, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
    EXPECT_EQ(S_OK, calc_->Invoke(big, null_iid, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr))
        << "a null DISPPARAMS counts as no arguments";
}

TEST_F(Invoke, PropertyFlagsAreMethodCalls)
{
    DISPID counter = dispid_of(calc_.get(), "counter");
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    const IID null_iid = {};
    for (WORD flags :
         {WORD(DISPATCH_PROPERTYGET), WORD(DISPATCH_PROPERTYPUT), WORD(DISPATCH_METHOD | DISPATCH_PROPERTYGET)}) {
        ScopedVariant result;
        EXPECT_EQ(S_OK, calc_->Invoke(counter, null_iid, 0, flags, &none, result.get(), nullptr, nullptr));
        EXPECT_EQ(VT_I4, result.type());
    }
}

TEST_F(Invoke, ProxyArgumentPassesTheJavaObjectItself)
{
    ComPtr<IDispatch> list = make("java.util.ArrayList");
    ScopedVariant element = ScopedVariant::dispatch(calc_.get());
    ASSERT_EQ(S_OK, call(list.get(), "add", {element.get()}).hr);
    ScopedVariant zero = ScopedVariant::i4(0);
    CallResult back = call(list.get(), "get", {zero.get()});
    ASSERT_EQ(VT_DISPATCH, back.value.type());
    EXPECT_EQ(call(calc_.get(), "hashCode").value->lVal, call(back.value->pdispVal, "hashCode").value->lVal);
    EXPECT_EQ(S_OK, call(calc_.get(), "counter").hr) << "the proxy still works after being passed";
}

// A proxy whose object already is of the parameter's type goes as that object, before any
// coercion: a Timestamp (from a JDBC result set, say) for a java.util.Date parameter.
TEST_F(Invoke, ProxyOfASubclassPassesForItsParameterType)
{
    ScopedVariant millis = ScopedVariant::r8(86400000.0);
    CallResult stamp = call(calc_.get(), "stamp", {millis.get()});
    ASSERT_EQ(VT_DISPATCH, stamp.value.type()) << "only java.util.Date itself comes back as a date";
    ScopedVariant timestamp = ScopedVariant::dispatch(stamp.value->pdispVal);
    CallResult picked = call(calc_.get(), "pick", {timestamp.get()});
    ASSERT_EQ(S_OK, picked.hr) << picked.description;
    EXPECT_EQ("Date", text_of(picked));

    ComPtr<IDispatch> now = make("java.util.Date");
    CallResult after = call(now.get(), "after", {timestamp.get()});
    ASSERT_EQ(S_OK, after.hr) << after.description;
    EXPECT_EQ(VARIANT_TRUE, after.value->boolVal);
}

// An array without elements reaches Java as an empty array of the parameter's type, never
// as null, whichever way it was made.
TEST_F(Invoke, EmptyArraysArriveEmpty)
{
    SAFEARRAYBOUND none = {0, 0};
    ScopedVariant ints, variants;
    ints->parray = SafeArrayCreate(VT_I4, 1, &none);
    ints->vt = VT_ARRAY | VT_I4;
    variants->parray = SafeArrayCreate(VT_VARIANT, 1, &none);
    variants->vt = VT_ARRAY | VT_VARIANT;

    CallResult sum = call(calc_.get(), "sum", {ints.get()});
    ASSERT_EQ(S_OK, sum.hr) << sum.description;
    EXPECT_EQ(0, sum.value->lVal);

    ScopedVariant zero = ScopedVariant::i4(0);
    CallResult empty = call(calc_.get(), "range", {zero.get()});
    ASSERT_EQ(VT_ARRAY | VT_I4, empty.value.type());
    CallResult back = call(calc_.get(), "sum", {empty.value.get()});
    ASSERT_EQ(S_OK, back.hr) << "an empty int[] from Java goes back in: " << back.description;

    ComPtr<IDispatch> arrays = make("java.util.Arrays");
    EXPECT_EQ("[]", text_of(call(arrays.get(), "toString", {variants.get()})));

    ComPtr<IDispatch> list = make("java.util.ArrayList");
    ScopedVariant word = ScopedVariant::string("w");
    call(list.get(), "add", {word.get()});
    CallResult copied = call(list.get(), "toArray", {variants.get()});
    ASSERT_EQ(S_OK, copied.hr) << copied.description;
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, copied.value.type());
    LONG upper = -1;
    SafeArrayGetUBound(copied.value->parray, 1, &upper);
    EXPECT_EQ(0, upper) << "toArray filled a new array with the one element";
}

TEST_F(Invoke, ByReferenceArgumentsAreRead)
{
    ScopedVariant five = ScopedVariant::i4(5), six = ScopedVariant::i4(6);
    VARIANT by_ref_variant;
    by_ref_variant.vt = VT_BYREF | VT_VARIANT;
    by_ref_variant.pvarVal = five.get();
    LONG six_value = 6;
    VARIANT by_ref_i4;
    by_ref_i4.vt = VT_BYREF | VT_I4;
    by_ref_i4.plVal = &six_value;
    CallResult sum = call(calc_.get(), "add", {&by_ref_variant, &by_ref_i4});
    ASSERT_EQ(S_OK, sum.hr) << sum.description;
    EXPECT_EQ(11, sum.value->lVal);
}

TEST_F(Invoke, TraceNamesEveryMethodBeforeItRuns)
{
    DebugOutput output;
    ScopedVariant a = ScopedVariant::i4(1), b = ScopedVariant::i4(2);
    call(calc_.get(), "add", {a.get(), b.get()});
    call(calc_.get(), "add", {a.get(), b.get()});
    std::vector<std::string> expected(2, "public int fixtures.Calculator.add(int,int)");
    EXPECT_EQ(expected, output.lines());
}

TEST(InvokeCompatible, NullArrayResultBecomesAnEmptyVariantArray)
{
    use_standard_vm_setup();
    set_environment("TAVLIN1_COMPATIBLE", "TRUE");
    ComPtr<IDispatch> calc = make("fixtures.Calculator");
    CallResult array = call(calc.get(), "noArray");
    ASSERT_EQ(S_OK, array.hr);
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, array.value.type());
    EXPECT_EQ(1u, SafeArrayGetDim(array.value->parray));
    LONG lower = -1, upper = 0;
    SafeArrayGetLBound(array.value->parray, 1, &lower);
    SafeArrayGetUBound(array.value->parray, 1, &upper);
    EXPECT_EQ(0, lower);
    EXPECT_EQ(-1, upper);
    EXPECT_EQ(VT_EMPTY, call(calc.get(), "noString").value.type()) << "only array types change";
}
