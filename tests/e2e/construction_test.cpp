// newObject and statics from a client: the constructor chosen by the arguments' types, as a
// proxy's call chooses among overloads, a class's static methods without an instance, and
// the ways both fail; through the function table and through IDispatch.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "client.h"
#include "test_names.h"
#include "test_process.h"

using namespace tavlin_test;

namespace {

const HRESULT kBridgeError = E_FAIL;

// One argument as a client passes it: a string, or an int ("#" in front of its digits).
// "#7" is a Long, "$19.99" a Currency, anything else text.
ScopedVariant argument(const char *text)
{
    if (text[0] == '#') return ScopedVariant::i4(std::stoi(text + 1));
    if (text[0] != '$') return ScopedVariant::string(std::string(text));
    ScopedVariant currency;
    currency->vt = VT_CY;
    currency->cyVal.int64 = std::llround(std::stod(text + 1) * 10000);
    return currency;
}

struct ConstructorRow {
    const char *name;
    const char *class_name;
    std::vector<const char *> arguments;
    const char *method;  // called on the new object with no argument
    const char *shown;   // its result, as text
};

// StringBuilder(int) keeps no text and StringBuilder(String) its argument; BigDecimal keeps
// the scale of a text and has none for an int.
const ConstructorRow constructor_rows[] = {
    {"BigDecimalOfText", "java.math.BigDecimal", {"19.99"}, "toString", "19.99"},
    {"BigDecimalOfInt", "java.math.BigDecimal", {"#7"}, "toString", "7"},
    {"BigDecimalKeepsTheTextsScale", "java.math.BigDecimal", {"7.50"}, "toString", "7.50"},
    // A currency that a double would change crosses as its digits; a whole one as before.
    {"BigDecimalOfCurrencyIsExact", "java.math.BigDecimal", {"$19.99"}, "toString", "19.99"},
    {"BigDecimalOfWholeCurrency", "java.math.BigDecimal", {"$20"}, "toString", "20"},
    {"StringBuilderOfCurrencyCapacity", "java.lang.StringBuilder", {"$64"}, "capacity", "64"},
    {"StringBuilderOfCapacity", "java.lang.StringBuilder", {"#64"}, "capacity", "64"},
    {"StringBuilderOfCapacityHoldsNoText", "java.lang.StringBuilder", {"#64"}, "toString", ""},
    {"StringBuilderOfText", "java.lang.StringBuilder", {"abc"}, "toString", "abc"},
    {"FileOfParentAndChild", "java.io.File", {"folder", "name.txt"}, "getName", "name.txt"},
    {"FileKeepsItsParent", "java.io.File", {"folder", "name.txt"}, "getParent", "folder"},
    {"NestedClassNamedWithDots", "java.util.AbstractMap.SimpleEntry", {"key", "value"}, "getKey", "key"},
    {"NoArgumentsTakesTheConstructorWithout", "java.util.ArrayList", {}, "size", "0"},
    {"SlashNamesToo", "java/util/ArrayList", {"#5"}, "size", "0"},
};

std::string shown(const CallResult &result)
{
    ScopedVariant text;
    if (FAILED(VariantChangeType(text.get(), const_cast<VARIANT *>(result.value.get()), 0, VT_BSTR)))
        return "<no text>";
    return narrow(text->bstrVal);
}

class Construction : public ::testing::Test {
protected:
    void SetUp() override { use_standard_vm_setup(); }
};

// DllRegisterServer gives the utility object's IDispatch its type library. The library's
// resources are the bridge module's own, so only the native build's test program, which
// links the bridge's shared library, has them (the Windows builds call newObject and
// statics through IDispatch from the script clients, on the real DLL).
class DispatchConstruction : public Construction {
protected:
    void SetUp() override
    {
        Construction::SetUp();
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
        ASSERT_EQ(S_OK, DllRegisterServer());
    }
    void TearDown() override { CoUninitialize(); }
};

// A row's arguments as the client passes them.
template <class Row> std::vector<ScopedVariant> arguments_of(const Row &row)
{
    std::vector<ScopedVariant> values;
    for (const char *text : row.arguments) values.push_back(argument(text));
    return values;
}

class ConstructorChoice : public Construction, public ::testing::WithParamInterface<ConstructorRow> {};
class ConstructorChoiceThroughIDispatch : public DispatchConstruction,
                                          public ::testing::WithParamInterface<ConstructorRow> {};

TEST_P(ConstructorChoice, ThroughTheFunctionTable)
{
    std::vector<ScopedVariant> values = arguments_of(GetParam());
    std::vector<const VARIANT *> pointers;
    for (ScopedVariant &value : values) pointers.push_back(value.get());
    ComPtr<IDispatch> object;
    switch (pointers.size()) {  // the helper takes the arguments as a list
    case 0:
        ASSERT_EQ(S_OK, new_object(GetParam().class_name, {}, object));
        break;
    case 1:
        ASSERT_EQ(S_OK, new_object(GetParam().class_name, {pointers[0]}, object));
        break;
    default:
        ASSERT_EQ(S_OK, new_object(GetParam().class_name, {pointers[0], pointers[1]}, object));
    }
    CallResult result = call(object.get(), GetParam().method);
    ASSERT_EQ(S_OK, result.hr) << result.description;
    EXPECT_EQ(GetParam().shown, shown(result));
}

TEST_P(ConstructorChoiceThroughIDispatch, ChoosesAlike)
{
    ComPtr<ITavlinUtil2> util = create_util2();
    ASSERT_TRUE(util);
    ScopedVariant name = ScopedVariant::string(std::string(GetParam().class_name));
    std::vector<ScopedVariant> values = arguments_of(GetParam());
    std::vector<const VARIANT *> pointers{name.get()};
    for (ScopedVariant &value : values) pointers.push_back(value.get());
    CallResult made;
    switch (pointers.size()) {
    case 1:
        made = call(util.get(), "newObject", {pointers[0]});
        break;
    case 2:
        made = call(util.get(), "newObject", {pointers[0], pointers[1]});
        break;
    default:
        made = call(util.get(), "newObject", {pointers[0], pointers[1], pointers[2]});
    }
    ASSERT_EQ(S_OK, made.hr);
    ASSERT_EQ(VT_DISPATCH, made.value.type());
    CallResult result = call(made.value->pdispVal, GetParam().method);
    ASSERT_EQ(S_OK, result.hr) << result.description;
    EXPECT_EQ(GetParam().shown, shown(result));
}

INSTANTIATE_TEST_SUITE_P(Rows, ConstructorChoice, ::testing::ValuesIn(constructor_rows),
                         test_names::by_field<&ConstructorRow::name>);
INSTANTIATE_TEST_SUITE_P(Rows, ConstructorChoiceThroughIDispatch, ::testing::ValuesIn(constructor_rows),
                         test_names::by_field<&ConstructorRow::name>);

struct FailureRow {
    const char *name;
    const char *class_name;
    std::vector<const char *> arguments;
};

const FailureRow failure_rows[] = {
    {"MissingClass", "no.such.Clazz", {}},
    {"AbstractClass", "java.util.AbstractList", {}},
    {"Interface", "java.util.List", {}},
    {"ConstructorThrows", "fixtures.FailingConstructor", {}},
    {"TooFewArguments", "fixtures.NoDefault", {}},
    {"TooManyArguments", "fixtures.NoDefault", {"#1", "#2"}},
    {"ArgumentOfNoConstructor", "java.lang.StringBuilder", {"#1", "#2"}},
};

class ConstructionFailures : public Construction, public ::testing::WithParamInterface<FailureRow> {};
class ConstructionFailuresThroughIDispatch : public DispatchConstruction,
                                             public ::testing::WithParamInterface<FailureRow> {};

TEST_P(ConstructionFailures, AreBridgeErrors)
{
    std::vector<ScopedVariant> values = arguments_of(GetParam());
    ComPtr<IDispatch> object;
    HRESULT hr = values.empty() ? new_object(GetParam().class_name, {}, object)
                                : new_object(GetParam().class_name, {values[0].get(), values[1].get()}, object);
    EXPECT_EQ(kBridgeError, hr);
    EXPECT_FALSE(object);
}

TEST_P(ConstructionFailuresThroughIDispatch, AreExceptions)
{
    std::vector<ScopedVariant> values = arguments_of(GetParam());
    ComPtr<ITavlinUtil2> util = create_util2();
    ScopedVariant name = ScopedVariant::string(std::string(GetParam().class_name));
    CallResult made = values.empty() ? call(util.get(), "newObject", {name.get()})
                                     : call(util.get(), "newObject", {name.get(), values[0].get(), values[1].get()});
    EXPECT_EQ(DISP_E_EXCEPTION, made.hr);
    EXPECT_EQ(VT_EMPTY, made.value.type());
}

// Every member that makes a proxy fails through IDispatch as a proxy's call does: error 1001
// of FACILITY_CONTROL with the text, not the function table's E_FAIL.
TEST_F(DispatchConstruction, EveryMakerFailsAsACallDoes)
{
    ComPtr<ITavlinUtil2> util = create_util2();
    ScopedVariant missing = ScopedVariant::string("no.such.Clazz"), text = ScopedVariant::string("java.lang.String");
    ScopedVariant object = ScopedVariant::dispatch(util.get());
    const struct {
        const char *member;
        std::vector<const VARIANT *> args;
        const char *description;
    } rows[] = {
        {"newObject", {missing.get()}, "java.lang.ClassNotFoundException: no.such.Clazz"},
        {"statics", {missing.get()}, "java.lang.ClassNotFoundException: no.such.Clazz"},
        {"implement", {text.get(), object.get()}, "Not an interface: java.lang.String"},
    };
    for (const auto &row : rows) {
        CallResult made = call(util.get(), row.member, row.args);
        EXPECT_EQ(DISP_E_EXCEPTION, made.hr) << row.member;
        EXPECT_EQ(static_cast<SCODE>(0x800A03E9), made.scode) << row.member;
        EXPECT_EQ(row.description, made.description) << row.member;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ConstructionFailures, ::testing::ValuesIn(failure_rows),
                         test_names::by_field<&FailureRow::name>);
INSTANTIATE_TEST_SUITE_P(Rows, ConstructionFailuresThroughIDispatch, ::testing::ValuesIn(failure_rows),
                         test_names::by_field<&FailureRow::name>);

TEST_F(Construction, NullOutPointerIsRefused)
{
    ComPtr<ITavlinUtil2> util = create_util2();
    ScopedBstr name(OLESTR("java.util.ArrayList"));
    EXPECT_EQ(E_POINTER, util->newObject(name.get(), nullptr, nullptr));
    EXPECT_EQ(E_POINTER, util->statics(name.get(), nullptr));
}

TEST_F(Construction, NullArrayIsNoArgument)
{
    ComPtr<ITavlinUtil2> util = create_util2();
    ScopedBstr name(OLESTR("java.util.ArrayList"));
    ComPtr<IDispatch> list;
    ASSERT_EQ(S_OK, util->newObject(name.get(), nullptr, list.put()));
    EXPECT_EQ(S_OK, call(list.get(), "size").hr);
}

TEST_F(Construction, ArrayOfAnythingButVariantsIsRefused)
{
    ComPtr<ITavlinUtil2> util = create_util2();
    ScopedBstr name(OLESTR("java.lang.StringBuilder"));
    tavlin::SafeArrayHolder numbers(SafeArrayCreateVector(VT_I4, 0, 1));
    ComPtr<IDispatch> object;
    EXPECT_EQ(kBridgeError, util->newObject(name.get(), numbers.get(), object.put()));
    EXPECT_FALSE(object);
}

// Static methods of classes that cannot be constructed, reached through a class proxy.
struct StaticRow {
    const char *name;
    const char *class_name;
    const char *method;
    std::vector<const char *> arguments;
    const char *then;   // called on the result with no argument, or null
    const char *shown;  // the final result as text, or null when only an object is expected
};

const StaticRow static_rows[] = {
    {"IntegerParsesText", "java.lang.Integer", "parseInt", {"42"}, nullptr, "42"},
    {"CalendarOfAnAbstractClass", "java.util.Calendar", "getInstance", {}, "isLenient", "-1"},  // True
    {"RandomUuidHasItsLength", "java.util.UUID", "randomUUID", {}, "version", "4"},
    {"InterfaceListOf", "java.util.List", "of", {"a"}, "size", "1"},
    {"InterfaceComparator", "java.util.Comparator", "naturalOrder", {}, "reversed", nullptr},
    {"OverloadChosenAsOnAnyProxy", "java.lang.String", "valueOf", {"#12"}, nullptr, "12"},
    {"NestedInterfaceNamedWithDots", "java.util.Map.Entry", "comparingByKey", {}, nullptr, nullptr},
};

class StaticCalls : public Construction, public ::testing::WithParamInterface<StaticRow> {};

TEST_P(StaticCalls, ReachTheClassWithoutAnInstance)
{
    const StaticRow &row = GetParam();
    ComPtr<IDispatch> klass;
    ASSERT_EQ(S_OK, statics(row.class_name, klass));
    std::vector<ScopedVariant> values;
    for (const char *text : row.arguments) values.push_back(argument(text));
    CallResult result =
        values.empty() ? call(klass.get(), row.method) : call(klass.get(), row.method, {values[0].get()});
    ASSERT_EQ(S_OK, result.hr) << result.description;
    if (row.then) {
        ASSERT_EQ(VT_DISPATCH, result.value.type());
        result = call(result.value->pdispVal, row.then);
        ASSERT_EQ(S_OK, result.hr) << result.description;
    }
    if (row.shown) {
        EXPECT_EQ(row.shown, shown(result));
    } else {
        EXPECT_EQ(VT_DISPATCH, result.value.type());
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, StaticCalls, ::testing::ValuesIn(static_rows), test_names::by_field<&StaticRow::name>);

TEST_F(DispatchConstruction, StaticsThroughIDispatch)
{
    ComPtr<ITavlinUtil2> util = create_util2();
    ScopedVariant name = ScopedVariant::string("java.util.UUID");
    CallResult klass = call(util.get(), "statics", {name.get()});
    ASSERT_EQ(S_OK, klass.hr);
    ASSERT_EQ(VT_DISPATCH, klass.value.type());
    CallResult uuid = call(klass.value->pdispVal, "randomUUID");
    ASSERT_EQ(VT_DISPATCH, uuid.value.type());
    EXPECT_EQ(36u, text_of(call(uuid.value->pdispVal, "toString")).size());
}

TEST_F(Construction, InstanceMethodOnAClassIsAnError)
{
    ComPtr<IDispatch> klass;
    ASSERT_EQ(S_OK, statics("java.lang.Integer", klass));
    for (const char *method : {"toString", "hashCode", "intValue"}) {
        CallResult result = call(klass.get(), method);
        EXPECT_EQ(DISP_E_EXCEPTION, result.hr) << method;
        EXPECT_EQ(std::string("Instance method called on a class: ") + method, result.description);
    }
    ScopedVariant number = ScopedVariant::i4(5);
    CallResult text = call(klass.get(), "toString", {number.get()});
    EXPECT_EQ(S_OK, text.hr) << "the static overload that takes the argument";
    EXPECT_EQ("5", text_of(text));
}

TEST_F(Construction, MissingClassHasNoStatics)
{
    ComPtr<IDispatch> klass;
    EXPECT_EQ(kBridgeError, statics("no.such.Clazz", klass));
    EXPECT_FALSE(klass);
}

// Handed to Java, a class proxy is the java.lang.Class it stands for.
TEST_F(Construction, ClassProxyPassesTheClass)
{
    ComPtr<IDispatch> enums, units;
    ASSERT_EQ(S_OK, statics("java.lang.Enum", enums));
    ASSERT_EQ(S_OK, statics("java.util.concurrent.TimeUnit", units));
    ScopedVariant unit_class = ScopedVariant::dispatch(units.get()), name = ScopedVariant::string("SECONDS");
    CallResult seconds = call(enums.get(), "valueOf", {unit_class.get(), name.get()});
    ASSERT_EQ(S_OK, seconds.hr) << seconds.description;
    ASSERT_EQ(VT_DISPATCH, seconds.value.type());
    EXPECT_EQ("SECONDS", text_of(call(seconds.value->pdispVal, "name")));
}

// newInstance is where it was: slot and DISPID unchanged, through the new interface too.
TEST_F(DispatchConstruction, NewInstanceKeepsItsPlace)
{
    ComPtr<ITavlinUtil2> util = create_util2();
    EXPECT_EQ(1, dispid_of(util.get(), "newInstance"));
    EXPECT_EQ(2, dispid_of(util.get(), "newObject"));
    EXPECT_EQ(3, dispid_of(util.get(), "statics"));
    ScopedBstr name(OLESTR("java.util.ArrayList"));
    ComPtr<IDispatch> list;
    ASSERT_EQ(S_OK, static_cast<ITavlinUtil *>(util.get())->newInstance(name.get(), list.put()));
    EXPECT_EQ(S_OK, call(list.get(), "size").hr);
    ComPtr<IDispatch> missing;
    EXPECT_EQ(static_cast<HRESULT>(0xFFFFFFFF), new_instance("no.such.Clazz", missing));
}

}  // namespace
