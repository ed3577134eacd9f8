// The overload choice and the conversion read one table (convert/argument_table.h). For every
// kind of argument the table tells apart and every kind of parameter: where the choice finds
// that the argument fits, the conversion, under the rule that the choice then converts with,
// takes it and makes a value of the class the table names; and where the table's rules refuse
// an argument outright, the conversion refuses it too. The converse of the first does not
// hold, nor should it: the conversion also coerces what would lose its value or change its
// kind ("42" for an int, 2.5 for an int, a number for a boolean), which never fits.
#include <gtest/gtest.h>

#include <string>

#include "bridge/proxy/proxy.h"
#include "com_holders.h"
#include "convert/argument_fit.h"
#include "convert/com_to_java.h"
#include "convert/java_class_name.h"
#include "convert_fixture.h"
#include "errors.h"
#include "foreign_dispatch.h"
#include "script_array_object.h"
#include "script_object.h"
#include "test_values.h"

using namespace tavlin;
using namespace tavlin_test;

namespace convert_test {

namespace {

const char *const kParameters[] = {
    "boolean",
    "byte",
    "short",
    "char",
    "int",
    "long",
    "float",
    "double",
    "java/lang/Boolean",
    "java/lang/Byte",
    "java/lang/Short",
    "java/lang/Character",
    "java/lang/Integer",
    "java/lang/Long",
    "java/lang/Float",
    "java/lang/Double",
    "java/lang/String",
    "java/util/Date",
    "[I",
    "[Ljava/lang/Object;",
    "java/lang/Object",
    "java/lang/Number",
    "java/lang/Comparable",
    "java/io/Serializable",
    "java/lang/Cloneable",
    "java/lang/CharSequence",
    "java/util/List",
    "java/lang/Runnable",
    "java/lang/Iterable",
    "java/util/Map",
    "java/util/Calendar",
};

// An argument of each automation type that carries a value, and of some that carry none.
const char *const kValues[] = {
    "EMPTY",
    "NULL",
    "BOOL:true",
    "BOOL:false",
    "I1:-5",
    "UI1:5",
    "I2:-3",
    "UI2:65",
    "I4:7",
    "INT:7",
    "UI4:7",
    "UINT:7",
    "I8:7",
    "UI8:7",
    "R4:1.5",
    "R8:2.5",
    "R8:2",
    "CY:1",
    "CY:1.5",
    "DECIMAL:41",
    "BSTR:x",
    "BSTR:12",
    "DATE:36526.5",
    "ERROR:0",
    "&I4:5",
    "&VARIANT:BSTR:x",
    "&VARIANT:&VARIANT:I2:4",
};

// The Java objects that the proxies among the arguments stand for (Probe.sample names).
const char *const kProxiedObjects[] = {"int 7", "accented", "timestamp", "int[]", "array list"};

class ArgumentTable : public ConvertTest {
protected:
    void check_script_data();

    void check_against_every_parameter(const std::string &name, const VARIANT *arg)
    {
        for (const char *parameter_name : kParameters) {
            SCOPED_TRACE(name + " for " + parameter_name);
            JavaType type = parameter(parameter_name);
            check_fit(arg, type);
            for (bool strict : {false, true}) check_outright_refusal(arg, type, strict);
        }
    }

private:
    // A call of one argument: the choice converts what fits under the strict rule only when
    // that argument is an array (its elements were not looked at).
    void check_fit(const VARIANT *arg, const JavaType &type)
    {
        ArgumentProfile profile = profile_argument(arg);
        const bool fits = argument_fit(env(), profile, type) != kRefused;
        const Argument argument = argument_for(env(), profile, type);
        const bool strict = profile.argument == Argument::Array;
        PreparedArguments args(env(), 1);
        ThrownError error = error_of([&] { convert_com_to_java(env(), arg, args, 0, type, strict); });
        if (!fits && argument_row(argument, type.shape.kind).conversion == Conversion::ArrayOrList) {
            check_array_taken_in_a_walk(argument, type, error, args);
            return;
        }
        if (!fits) {
            // For another class the fit and the conversion ask the same question, whether the
            // parameter holds what the argument becomes, unless the row says it never fits.
            bool asks_the_same = type.shape.kind == ParameterKind::Reference &&
                                 argument_row(argument, type.shape.kind).closeness != Closeness::Never;
            EXPECT_TRUE(!asks_the_same || error.thrown) << "the conversion takes it, but it does not fit";
            return;
        }
        ASSERT_FALSE(error.thrown) << "it fits, but the conversion refuses it: " << error.description;
        if (type.is_primitive()) {
            EXPECT_EQ(ARG_PLAIN, args.release_code(0));
            return;
        }
        jobject made = args.value(0).l;
        if (profile.object) {
            EXPECT_TRUE(env()->IsSameObject(profile.object, made)) << "a proxy passes its own object";
            return;
        }
        if (const char *expected = class_named_by_the_table(argument, type))
            EXPECT_EQ(expected, made ? java_class_name(env(), made) : "null");
        else
            EXPECT_TRUE(made && env()->IsInstanceOf(made, type.klass)) << "a callback implements the interface";
    }

    // The class that the conversion makes, by the table: for a parameter of another class the
    // class that the argument becomes (for a safe array, an array of its elements, int[] for
    // the one here; none for an object put behind an interface; a GregorianCalendar of a
    // script's Date where only that fits), for any other parameter the parameter's own class.
    const char *class_named_by_the_table(Argument argument, const JavaType &type)
    {
        if (argument == Argument::Null || argument == Argument::Nothing) return "null";
        if (type.shape.kind != ParameterKind::Reference) return type.name;
        if (argument == Argument::Array) return "[I";
        if (argument == Argument::ScriptDate && !holds(java_reflect.date_class, type))
            return "java/util/GregorianCalendar";
        return argument_row(argument, type.shape.kind).becomes.name;
    }

    // An array that fits no parameter of another class (but the Iterable that a callback fit
    // before) is taken only when an overload walk reaches that parameter: as an array of its
    // elements (int[] for the safe array here, Object[] for a script's) where the parameter
    // holds one, as a java.util.ArrayList where it holds that, and nowhere else.
    void check_array_taken_in_a_walk(Argument argument, const JavaType &type, const ThrownError &error,
                                     const PreparedArguments &args)
    {
        const char *expected = nullptr;
        if (holds(java_reflect.object_array_class, type))
            expected = argument == Argument::Array ? "[I" : "[Ljava/lang/Object;";
        else if (holds(java_reflect.array_list_class, type))
            expected = "java/util/ArrayList";
        if (!expected) {
            EXPECT_TRUE(error.thrown) << "the conversion takes it where neither fits";
            return;
        }
        ASSERT_FALSE(error.thrown) << error.description;
        EXPECT_EQ(expected, java_class_name(env(), args.value(0).l));
    }

    bool holds(jclass made, const JavaType &type)
    {
        return type.shape.kind == ParameterKind::Reference && type.klass && env()->IsAssignableFrom(made, type.klass);
    }

    void check_outright_refusal(const VARIANT *arg, const JavaType &type, bool strict)
    {
        if (!refused_outright(env(), arg, type, strict)) return;
        PreparedArguments args(env(), 1);
        ThrownError error = error_of([&] { convert_com_to_java(env(), arg, args, 0, type, strict); });
        EXPECT_TRUE(error.thrown) << "refused outright " << (strict ? "(strict)" : "(lenient)")
                                  << ", but the conversion takes it";
    }
};

}  // namespace

TEST_F(ArgumentTable, ValuesFitOnlyWhereTheyConvertToTheClassTheTableNames)
{
    for (const char *value : kValues) {
        TestVariant arg(value);
        check_against_every_parameter(value, arg.get());
    }
}

// A script's array, object literal and Date: data where the parameter holds what they
// become, callbacks (or refused) elsewhere. Java may hold them as callbacks past the test, so
// they are kept for the process, as the other automation object below is.
void ArgumentTable::check_script_data()
{
    std::vector<ScopedVariant> elements;
    elements.push_back(ScopedVariant::i4(1));
    elements.push_back(ScopedVariant::string("a"));
    static ScriptArrayObject *array = new ScriptArrayObject(std::move(elements));
    ScriptObject::Properties properties, time;
    properties.emplace_back("id", ScopedVariant::i4(1));
    time.emplace_back("getTime", ScopedVariant::r8(1706659200000.0));
    static ScriptObject *literal = new ScriptObject(std::move(properties));
    static ScriptObject *date = new ScriptObject(std::move(time));
    const std::pair<const char *, IDispatch *> objects[] = {
        {"a script's array", array}, {"an object literal", literal}, {"a script's Date", date}};
    for (const auto &object : objects) {
        ScopedVariant arg = ScopedVariant::dispatch(object.second);
        check_against_every_parameter(object.first, arg.get());
    }
}

TEST_F(ArgumentTable, ObjectsAndArraysFitOnlyWhereTheyConvertToTheClassTheTableNames)
{
    for (const char *object : kProxiedObjects) {
        jobject local = sample(object);
        ComPtr<IDispatch> proxy(new_proxy(env(), local, java_class_name(env(), local).c_str()));
        env()->DeleteLocalRef(local);
        ASSERT_TRUE(proxy);
        ScopedVariant arg = ScopedVariant::dispatch(proxy.get());
        check_against_every_parameter(std::string("proxy of ") + object, arg.get());
    }
    // Another automation object is put behind a functional interface, for which the thread
    // must be in an apartment; Java holds it until its collector lets go, which may be after
    // the test's last line, so it is kept for the process.
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    static ForeignDispatch *foreign = new ForeignDispatch;
    ScopedVariant other = ScopedVariant::dispatch(foreign);
    check_against_every_parameter("another automation object", other.get());
    check_script_data();
    ScopedVariant nothing = ScopedVariant::dispatch(nullptr);
    check_against_every_parameter("a null object", nothing.get());
    SafeArrayHolder array = vector_of(VT_I4, 0, {"I4:1", "I4:2"});
    VARIANT array_arg;
    array_arg.vt = VT_ARRAY | VT_I4;
    array_arg.parray = array.get();
    check_against_every_parameter("an array of I4", &array_arg);
}

}  // namespace convert_test
