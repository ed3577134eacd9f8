// Methods and constructors declared with variable arguments, called as Java source calls
// them: the trailing arguments one by one, packed into the declared array; one array in that
// position keeps meaning the array itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client.h"
#include "test_names.h"
#include "test_process.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

// An argument as a row gives it: a number, a text, or an array of texts.
struct Argument {
    VARTYPE type;
    double number;
    std::vector<const char *> texts;
};

ScopedVariant variant_of(const Argument &argument)
{
    if (argument.type == VT_I4) return ScopedVariant::i4(static_cast<LONG>(argument.number));
    if (argument.type == VT_BSTR) return ScopedVariant::string(argument.texts.at(0));
    SAFEARRAYBOUND bound = {static_cast<ULONG>(argument.texts.size()), 0};
    ScopedVariant array;
    array->parray = SafeArrayCreate(VT_VARIANT, 1, &bound);
    array->vt = VT_ARRAY | VT_VARIANT;
    for (LONG i = 0; i < static_cast<LONG>(argument.texts.size()); ++i) {
        ScopedVariant element = ScopedVariant::string(argument.texts[i]);
        SafeArrayPutElement(array->parray, &i, element.get());
    }
    return array;
}

Argument text(const char *value) { return Argument{VT_BSTR, 0, {value}}; }
Argument number(double value) { return Argument{VT_I4, value, {}}; }
Argument texts(std::vector<const char *> values) { return Argument{VT_ARRAY | VT_VARIANT, 0, values}; }

struct SpreadRow {
    const char *name;
    const char *class_name;
    const char *method;
    std::vector<Argument> arguments;
    const char *then;      // a method called on the result, or null to read the result itself
    const char *expected;  // the text (or error description) the call gives
};

class SpreadArguments : public ::testing::TestWithParam<SpreadRow> {
protected:
    void SetUp() override { use_standard_vm_setup(); }
};

}  // namespace

TEST_P(SpreadArguments, FillTheDeclaredArray)
{
    const SpreadRow &row = GetParam();
    ComPtr<IDispatch> klass;
    ASSERT_EQ(S_OK, statics(row.class_name, klass));
    std::vector<ScopedVariant> values;
    for (const Argument &argument : row.arguments) values.push_back(variant_of(argument));
    std::vector<const VARIANT *> arguments;
    for (const ScopedVariant &value : values) arguments.push_back(value.get());
    CallResult result = call(klass.get(), row.method, arguments);
    if (result.hr != S_OK) {
        EXPECT_EQ(row.expected, result.description);
        return;
    }
    if (row.then) result = call(result.value->pdispVal, row.then);
    ASSERT_EQ(S_OK, result.hr) << result.description;
    ScopedVariant shown;
    ASSERT_EQ(S_OK, VariantChangeType(shown.get(), result.value.get(), 0, VT_BSTR));
    EXPECT_EQ(row.expected, narrow(shown->bstrVal));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SpreadArguments,
    ::testing::Values(
        SpreadRow{"FormatWithTwo",
                  "java.lang.String",
                  "format",
                  {text("%s has %d items"), text("list"), number(3)},
                  nullptr,
                  "list has 3 items"},
        SpreadRow{"FormatWithOne", "java.lang.String", "format", {text("%d%%"), number(5)}, nullptr, "5%"},
        SpreadRow{"FormatWithNone", "java.lang.String", "format", {text("plain")}, nullptr, "plain"},
        SpreadRow{
            "FormatWithAnArray", "java.lang.String", "format", {text("%s-%s"), texts({"x", "y"})}, nullptr, "x-y"},
        SpreadRow{"AsList", "java.util.Arrays", "asList", {text("a"), text("b"), text("c")}, "toString", "[a, b, c]"},
        SpreadRow{"AsListOfAnArray", "java.util.Arrays", "asList", {texts({"a", "b"})}, "size", "2"},
        SpreadRow{"PathOfThree", "java.nio.file.Paths", "get", {text("a"), text("b"), text("c")}, "getNameCount", "3"},
        SpreadRow{"PathOfOne", "java.nio.file.Paths", "get", {text("a")}, "getNameCount", "1"},
        SpreadRow{"PrimitivesOfAnOverloadedName",
                  "java.util.stream.IntStream",
                  "of",
                  {number(1), number(2), number(3)},
                  "sum",
                  "6"},
        SpreadRow{"OneOfAnOverloadedNameIsNotSpread", "java.util.stream.IntStream", "of", {number(4)}, "sum", "4"},
        SpreadRow{"LoneMethodConvertsAsFarAsCoercionGoes",
                  "fixtures.Joiner",
                  "numbers",
                  {text(","), number(1), text("2"), number(3)},
                  nullptr,
                  "1,2,3"},
        SpreadRow{"AnElementThatDoesNotConvert",
                  "fixtures.Joiner",
                  "numbers",
                  {text(","), number(1), text("x")},
                  nullptr,
                  "Unable to coerce parameter data to int: 0x80020005"},
        SpreadRow{
            "TooFewForTheFixedParameters", "fixtures.Joiner", "numbers", {}, nullptr, "Invalid number of arguments."},
        // (String, String...) is more specific than (String, Object...), whichever comes first.
        SpreadRow{"GeneralFirst",
                  "fixtures.Namesakes$GeneralFirst",
                  "join",
                  {text("a"), text("b"), text("c")},
                  nullptr,
                  "String..."},
        SpreadRow{"SpecificFirst",
                  "fixtures.Namesakes$SpecificFirst",
                  "join",
                  {text("a"), text("b"), text("c")},
                  nullptr,
                  "String..."}),
    test_names::by_field<&SpreadRow::name>);

TEST(SpreadConstructorArguments, FillTheDeclaredArray)
{
    use_standard_vm_setup();
    ScopedVariant separator = ScopedVariant::string("-"), a = ScopedVariant::string("a"),
                  b = ScopedVariant::string("b");
    ComPtr<IDispatch> joined;
    ASSERT_EQ(S_OK, new_object("fixtures.Joiner", {separator.get(), a.get(), b.get()}, joined));
    EXPECT_EQ("a-b", text_of(call(joined.get(), "text")));
    ComPtr<IDispatch> empty;
    ASSERT_EQ(S_OK, new_object("fixtures.Joiner", {separator.get()}, empty));
    EXPECT_EQ("", text_of(call(empty.get(), "text")));
}
