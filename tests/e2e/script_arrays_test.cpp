// Arrays as scripts make and read them: VBScript's arrays of Variants and JScript's array
// objects passed for Java arrays, and Java arrays handed back as arrays of Variants when the
// VariantArrays setting asks for them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client.h"
#include "foreign_dispatch.h"
#include "script_array_object.h"
#include "test_names.h"
#include "test_process.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

// One element as a row describes it.
struct Value {
    VARTYPE type;
    double number;
    const char *text;
};

ScopedVariant variant_of(const Value &value)
{
    switch (value.type) {
    case VT_I4:
        return ScopedVariant::i4(static_cast<LONG>(value.number));
    case VT_R8:
        return ScopedVariant::r8(value.number);
    case VT_BOOL:
        return ScopedVariant::boolean(value.number != 0);
    case VT_BSTR:
        return ScopedVariant::string(value.text);
    default:
        return ScopedVariant();
    }
}

std::vector<ScopedVariant> variants_of(const std::vector<Value> &values)
{
    std::vector<ScopedVariant> variants;
    for (const Value &value : values) variants.push_back(variant_of(value));
    return variants;
}

// A one-dimensional array of Variants, as VBScript's Array() makes one.
ScopedVariant variant_array(const std::vector<ScopedVariant> &elements)
{
    SAFEARRAYBOUND bound = {static_cast<ULONG>(elements.size()), 0};
    ScopedVariant array;
    array->parray = SafeArrayCreate(VT_VARIANT, 1, &bound);
    array->vt = VT_ARRAY | VT_VARIANT;
    for (LONG i = 0; i < static_cast<LONG>(elements.size()); ++i)
        SafeArrayPutElement(array->parray, &i, const_cast<VARIANT *>(elements[i].get()));
    return array;
}

ScopedVariant dispatch_of(ScriptArrayObject &object) { return ScopedVariant::dispatch(&object); }

class ScriptArrays : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_standard_vm_setup();
        sink_ = make("fixtures.Sink");
    }
    ComPtr<IDispatch> sink_;
};

struct ElementRow {
    const char *method;
    std::vector<Value> elements;
    const char *expected;  // the method's result, or the error's text
    HRESULT hr;
};

class VariantElements : public ScriptArrays, public ::testing::WithParamInterface<ElementRow> {};

}  // namespace

// Each element becomes what it would as a lone argument of the element type, with the same
// errors: a name with one method converts as far as the platform's coercion allows.
TEST_P(VariantElements, FillPrimitiveArraysOneByOne)
{
    const ElementRow &row = GetParam();
    ScopedVariant array = variant_array(variants_of(row.elements));
    CallResult result = call(sink_.get(), row.method, {array.get()});
    ASSERT_EQ(row.hr, result.hr) << result.description;
    EXPECT_EQ(row.expected, row.hr == S_OK ? text_of(result) : result.description);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VariantElements,
    ::testing::Values(
        ElementRow{"takeIntArray", {{VT_I4, 1, ""}, {VT_BSTR, 0, "2"}, {VT_R8, 3, ""}}, "int[]:[1, 2, 3]", S_OK},
        ElementRow{
            "takeLongArray", {{VT_R8, 1099511627776.0, ""}, {VT_I4, -2, ""}}, "long[]:[1099511627776, -2]", S_OK},
        ElementRow{"takeByteArray", {{VT_I4, -1, ""}, {VT_I4, 127, ""}}, "byte[]:[-1, 127]", S_OK},
        ElementRow{"takeShortArray", {{VT_I4, 300, ""}, {VT_BOOL, 1, ""}}, "short[]:[300, -1]", S_OK},
        ElementRow{"takeFloatArray", {{VT_R8, 0.5, ""}, {VT_I4, 2, ""}}, "float[]:[0.5, 2.0]", S_OK},
        ElementRow{"takeDoubleArray", {{VT_R8, 2.5, ""}, {VT_EMPTY, 0, ""}}, "double[]:[2.5, 0.0]", S_OK},
        ElementRow{"takeCharArray", {{VT_I4, 65, ""}, {VT_I4, 66, ""}, {VT_I4, 67, ""}}, "char[]:3", S_OK},
        ElementRow{"takeBooleanArray", {{VT_I4, 0, ""}, {VT_R8, 1.5, ""}}, "boolean[]:[false, true]", S_OK},
        ElementRow{"takeIntArray",
                   {{VT_I4, 1, ""}, {VT_BSTR, 0, "x"}},
                   "Unable to coerce parameter data to int: 0x80020005",
                   DISP_E_EXCEPTION},
        ElementRow{"takeByteArray",
                   {{VT_I4, 1000, ""}},
                   "Unable to coerce parameter data to byte: 0x8002000A",
                   DISP_E_EXCEPTION},
        ElementRow{"takeList", {{VT_I4, 1, ""}, {VT_BSTR, 0, "a"}}, "List:2", S_OK}),
    [](const ::testing::TestParamInfo<ElementRow> &info) {
        return test_names::sanitized(std::string(info.param.method) + "_" + std::to_string(info.index));
    });

// Where a name has overloads the elements were not looked at when one was chosen, so an
// array of Variants stays refused for int[] and goes on choosing take(Object).
TEST_F(ScriptArrays, AnOverloadedNameKeepsItsChoice)
{
    ScopedVariant array = variant_array(variants_of({{VT_I4, 1, ""}, {VT_I4, 2, ""}}));
    EXPECT_EQ("Object:[Ljava.lang.Object;", text_of(call(sink_.get(), "take", {array.get()})));
}

TEST_F(ScriptArrays, ArraysOfArraysAndTwoDimensionsFillAMatrix)
{
    std::vector<ScopedVariant> outer;
    outer.push_back(variant_array(variants_of({{VT_I4, 1, ""}, {VT_BSTR, 0, "2"}})));
    outer.push_back(variant_array(variants_of({{VT_I4, 3, ""}, {VT_R8, 4, ""}})));
    ScopedVariant nested = variant_array(outer);
    EXPECT_EQ("int[][]:[[1, 2], [3, 4]]", text_of(call(sink_.get(), "takeIntMatrix", {nested.get()})));

    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    ScopedVariant grid;
    grid->parray = SafeArrayCreate(VT_VARIANT, 2, bounds);
    grid->vt = VT_ARRAY | VT_VARIANT;
    for (LONG i = 0; i < 2; ++i)
        for (LONG j = 0; j < 2; ++j) {
            LONG at[2] = {i, j};
            ScopedVariant element = ScopedVariant::i4(10 * i + j);
            SafeArrayPutElement(grid->parray, at, element.get());
        }
    EXPECT_EQ("int[][]:[[0, 1], [10, 11]]", text_of(call(sink_.get(), "takeIntMatrix", {grid.get()})));
}

struct ScriptRow {
    const char *method;
    const char *expected;
};

class ScriptArrayObjects : public ScriptArrays, public ::testing::WithParamInterface<ScriptRow> {};

// A JScript array, [1, "a", [2, 3]], for every kind of parameter that takes an array.
TEST_P(ScriptArrayObjects, BecomeJavaArraysOfTheParameterType)
{
    ScriptArrayObject inner(variants_of({{VT_I4, 2, ""}, {VT_I4, 3, ""}}));
    std::vector<ScopedVariant> elements = variants_of({{VT_I4, 1, ""}, {VT_BSTR, 0, "a"}});
    elements.push_back(dispatch_of(inner));
    ScriptArrayObject array(std::move(elements));
    const ULONG held = inner.references;
    {
        ScopedVariant argument = dispatch_of(array);
        CallResult result = call(sink_.get(), GetParam().method, {argument.get()});
        ASSERT_EQ(S_OK, result.hr) << result.description;
        EXPECT_EQ(GetParam().expected, text_of(result));
    }
    EXPECT_EQ(1u, array.references) << "every reference taken is given back";
    EXPECT_EQ(held, inner.references);
}

INSTANTIATE_TEST_SUITE_P(Rows, ScriptArrayObjects,
                         ::testing::Values(ScriptRow{"takeObjectArray", "Object[]:[1, a, [2, 3]]"},
                                           ScriptRow{"takeObject", "Object:[Ljava.lang.Object;"},
                                           ScriptRow{"take", "Object:[Ljava.lang.Object;"},
                                           ScriptRow{"takeList", "List:3"}),
                         test_names::by_field<&ScriptRow::method>);

TEST_F(ScriptArrays, ScriptArraysOfNumbersFillPrimitiveArraysAndMatrices)
{
    ScriptArrayObject numbers(variants_of({{VT_I4, 1, ""}, {VT_R8, 2, ""}, {VT_BSTR, 0, "3"}}));
    ScopedVariant argument = dispatch_of(numbers);
    EXPECT_EQ("int[]:[1, 2, 3]", text_of(call(sink_.get(), "takeIntArray", {argument.get()})));

    ScriptArrayObject first(variants_of({{VT_I4, 1, ""}, {VT_I4, 2, ""}}));
    ScriptArrayObject second(variants_of({{VT_I4, 3, ""}, {VT_I4, 4, ""}}));
    std::vector<ScopedVariant> rows;
    rows.push_back(dispatch_of(first));
    rows.push_back(dispatch_of(second));
    ScriptArrayObject matrix(std::move(rows));
    ScopedVariant nested = dispatch_of(matrix);
    EXPECT_EQ("int[][]:[[1, 2], [3, 4]]", text_of(call(sink_.get(), "takeIntMatrix", {nested.get()})));

    ScriptArrayObject words(variants_of({{VT_BSTR, 0, "a"}, {VT_BSTR, 0, "b"}}));
    ScopedVariant text = dispatch_of(words);
    EXPECT_EQ("String[]:2", text_of(call(sink_.get(), "takeStringArray", {text.get()})));

    ScriptArrayObject empty({});
    ScopedVariant none = dispatch_of(empty);
    EXPECT_EQ("int[]:[]", text_of(call(sink_.get(), "takeIntArray", {none.get()})));
}

// An object with a length but without its elements (a function has a length) is no array,
// and an object without IDispatchEx is not asked: both are refused as before.
TEST_F(ScriptArrays, ObjectsThatAreNoArraysAreRefused)
{
    ScriptArrayObject function_like(variants_of({{VT_I4, 1, ""}, {VT_I4, 2, ""}}), false);
    ForeignDispatch plain;
    for (IDispatch *object : {static_cast<IDispatch *>(&function_like), static_cast<IDispatch *>(&plain)}) {
        ScopedVariant argument = ScopedVariant::dispatch(object);
        EXPECT_EQ("Unsupported object type.", call(sink_.get(), "takeObject", {argument.get()}).description);
        EXPECT_EQ("Expected array.", call(sink_.get(), "takeIntArray", {argument.get()}).description);
    }
    EXPECT_EQ(1u, function_like.references);
    EXPECT_EQ(1u, plain.references);
}

// A length is a claim: an object without the last element its length promises is refused
// before any element is read, let alone room made for all it claims.
TEST_F(ScriptArrays, ALengthWithoutItsLastElementIsRefusedFirst)
{
    ScriptArrayObject array(variants_of({{VT_I4, 1, ""}, {VT_I4, 2, ""}, {VT_I4, 3, ""}}));
    array.claim_length(268435457);
    ScopedVariant argument = dispatch_of(array);
    EXPECT_EQ("Expected array.", call(sink_.get(), "takeIntArray", {argument.get()}).description);
    EXPECT_EQ(1, array.reads) << "only the length is read";
}

namespace {

const char kTooDeep[] = "Array nested deeper than 255 levels.";

// `depth` arrays of one Variant each, every one inside the next.
ScopedVariant nested_variant_arrays(int depth)
{
    ScopedVariant array;
    while (depth-- > 0) {
        std::vector<ScopedVariant> one(1);
        one[0] = std::move(array);
        array = variant_array(one);
    }
    return array;
}

}  // namespace

// Arrays inside arrays convert level by level, so their depth is a claim too: at most 255
// levels, as many as a Java array type can have, whether the levels are arrays of Variants,
// script arrays (one holding itself has no end) or Java's Object[] on the way back.
TEST_F(ScriptArrays, ArraysNestedDeeperThan255LevelsAreRefused)
{
    ScopedVariant deepest = nested_variant_arrays(255), deeper = nested_variant_arrays(256);
    EXPECT_EQ("Object:[Ljava.lang.Object;", text_of(call(sink_.get(), "takeObject", {deepest.get()})));
    EXPECT_EQ(kTooDeep, call(sink_.get(), "takeObject", {deeper.get()}).description);
    ScriptArrayObject endless(variants_of({{VT_EMPTY, 0, ""}}));
    endless.set_element(0, dispatch_of(endless));
    ScopedVariant argument = dispatch_of(endless);
    EXPECT_EQ(kTooDeep, call(sink_.get(), "takeObject", {argument.get()}).description);

    ComPtr<IDispatch> results = make("fixtures.ArrayResults");
    ScopedVariant levels[] = {ScopedVariant::i4(255), ScopedVariant::i4(256)};
    EXPECT_EQ(VT_ARRAY | VT_VARIANT, call(results.get(), "nested", {levels[0].get()}).value.type());
    EXPECT_EQ(kTooDeep, call(results.get(), "nested", {levels[1].get()}).description);
    EXPECT_EQ(kTooDeep, call(results.get(), "holdingItself").description);
}

// A ragged Java array comes back as its bounding box, which one long row among many missing
// ones makes larger than a safe array's 32-bit sizes: refused before anything is allocated.
TEST(RaggedJavaArrays, WhoseBoundingBoxNoSafeArrayHoldsAreRefused)
{
    use_standard_vm_setup();
    ComPtr<IDispatch> results = make("fixtures.ArrayResults");
    for (LONG side : {32768, 65536}) {
        ScopedVariant rows = ScopedVariant::i4(side), length = ScopedVariant::i4(side);
        const std::string shape = std::to_string(side) + " x " + std::to_string(side);
        EXPECT_EQ("Array too large: " + shape + " elements of 4 bytes.",
                  call(results.get(), "tallRagged", {rows.get(), length.get()}).description);
    }
}

namespace {

// One element of a result: its type and its value as text.
struct Element {
    VARTYPE type;
    const char *text;
};

struct ResultArrayRow {
    const char *method;
    std::vector<Element> elements;
};

std::vector<std::string> described(const CallResult &result)
{
    std::vector<std::string> elements;
    LONG upper = -1;
    SafeArrayGetUBound(result.value->parray, 1, &upper);
    for (LONG i = 0; i <= upper; ++i) {
        ScopedVariant element, text;
        SafeArrayGetElement(result.value->parray, &i, element.get());
        std::string shown = std::to_string(element.type()) + ":";
        if (!(element.type() & VT_ARRAY) && SUCCEEDED(VariantChangeType(text.get(), element.get(), 0, VT_BSTR)))
            shown += narrow(text->bstrVal);
        elements.push_back(shown);
    }
    return elements;
}

std::vector<std::string> described(const std::vector<Element> &elements)
{
    std::vector<std::string> shown;
    for (const Element &element : elements) shown.push_back(std::to_string(element.type) + ":" + element.text);
    return shown;
}

class VariantArrays : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_standard_vm_setup();
        set_environment("TAVLIN_VARIANT_ARRAYS", "1");
        results_ = make("fixtures.ArrayResults");
    }
    ComPtr<IDispatch> results_;
};

class VariantArrayResults : public VariantArrays, public ::testing::WithParamInterface<ResultArrayRow> {};

}  // namespace

// Every element keeps the automation type a typed array would have given it.
TEST_P(VariantArrayResults, EveryArrayComesBackAsVariants)
{
    CallResult result = call(results_.get(), GetParam().method);
    ASSERT_EQ(S_OK, result.hr) << result.description;
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, result.value.type());
    EXPECT_EQ(described(GetParam().elements), described(result));
}

INSTANTIATE_TEST_SUITE_P(Rows, VariantArrayResults,
                         ::testing::Values(ResultArrayRow{"booleans", {{VT_UI1, "1"}, {VT_UI1, "0"}}},
                                           ResultArrayRow{"bytes", {{VT_I1, "-1"}, {VT_I1, "2"}}},
                                           ResultArrayRow{"chars", {{VT_UI2, "65"}, {VT_UI2, "122"}}},
                                           ResultArrayRow{"shorts", {{VT_I2, "-3"}, {VT_I2, "4"}}},
                                           ResultArrayRow{"ints", {{VT_I4, "5"}, {VT_I4, "-6"}}},
                                           ResultArrayRow{"longs", {{VT_R8, "7"}, {VT_R8, "1099511627776"}}},
                                           ResultArrayRow{"floats", {{VT_R4, "0.5"}, {VT_R4, "-1.25"}}},
                                           ResultArrayRow{"doubles", {{VT_R8, "2.5"}, {VT_R8, "-0.125"}}},
                                           ResultArrayRow{"strings", {{VT_BSTR, "a"}, {VT_EMPTY, ""}}},
                                           ResultArrayRow{"mixed",
                                                          {{VT_BSTR, "s"}, {VT_I4, "9"}, {VT_ARRAY | VT_VARIANT, ""}}},
                                           ResultArrayRow{"none", {}}),
                         test_names::by_field<&ResultArrayRow::method>);

// A two-dimensional result is a two-dimensional array of Variants, a ragged array's missing
// elements Empty; an array inside an Object[] is an array of Variants too.
TEST_F(VariantArrays, MatricesAndInnerArraysAreVariantsToo)
{
    CallResult ragged = call(results_.get(), "ragged");
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, ragged.value.type()) << ragged.description;
    ASSERT_EQ(2u, SafeArrayGetDim(ragged.value->parray));
    const Element expected[2][3] = {{{VT_I4, "1"}, {VT_I4, "2"}, {VT_I4, "3"}},
                                    {{VT_I4, "4"}, {VT_EMPTY, ""}, {VT_EMPTY, ""}}};
    for (LONG i = 0; i < 2; ++i)
        for (LONG j = 0; j < 3; ++j) {
            LONG at[2] = {i, j};
            ScopedVariant element, text;
            ASSERT_EQ(S_OK, SafeArrayGetElement(ragged.value->parray, at, element.get()));
            EXPECT_EQ(expected[i][j].type, element.type()) << i << "," << j;
            VariantChangeType(text.get(), element.get(), 0, VT_BSTR);
            EXPECT_EQ(expected[i][j].text, narrow(text->bstrVal)) << i << "," << j;
        }

    CallResult mixed = call(results_.get(), "mixed");
    ScopedVariant inner;
    LONG last = 2;
    ASSERT_EQ(S_OK, SafeArrayGetElement(mixed.value->parray, &last, inner.get()));
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, inner.type());
    LONG first = 0;
    ScopedVariant one;
    ASSERT_EQ(S_OK, SafeArrayGetElement(inner->parray, &first, one.get()));
    EXPECT_EQ(VT_I4, one.type());
    EXPECT_EQ(1, one->lVal);
}

// The product key's DWORD value asks for the same; any other value leaves typed arrays. (A
// suite each: under Wine a suite's tests share one process, and so one VM.)
TEST(VariantArraysInTheProductKey, AreTurnedOnByOne)
{
    use_standard_vm_setup();
    set_product_dword("VariantArrays", 1);
    ComPtr<IDispatch> results = make("fixtures.ArrayResults");
    EXPECT_EQ(VT_ARRAY | VT_VARIANT, call(results.get(), "ints").value.type());
}

TEST(VariantArraysInTheProductKeyAtZero, StayTyped)
{
    use_standard_vm_setup();
    set_product_dword("VariantArrays", 0);
    ComPtr<IDispatch> results = make("fixtures.ArrayResults");
    EXPECT_EQ(VT_ARRAY | VT_I4, call(results.get(), "ints").value.type());
    EXPECT_EQ(VT_ARRAY | VT_R8, call(results.get(), "longs").value.type());
}
