// The errors of newObject and statics as a client reads them from the thread's error object:
// the same texts as a proxy's call gives for the same refusal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client.h"
#include "debug_output.h"
#include "test_names.h"
#include "test_process.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

struct TextRow {
    const char *name;
    const char *class_name;
    std::vector<LONG> arguments;  // ints, in parameter order
    const char *description;
    const char *traced;  // a line of the debugger output that names the Java exception, or null
};

const TextRow text_rows[] = {
    {"MissingClass",
     "no.such.Clazz",
     {},
     "java.lang.ClassNotFoundException: no.such.Clazz",
     "java.lang.NoClassDefFoundError"},
    {"AbstractClass", "java.util.AbstractList", {}, "Abstract class or interface: java.util.AbstractList", nullptr},
    {"Interface", "java/util/List", {}, "Abstract class or interface: java.util.List", nullptr},
    {"ConstructorThrows", "fixtures.FailingConstructor", {}, "constructor failed", "java.lang.IllegalStateException"},
    {"NoConstructorTakesNoArgument", "fixtures.NoDefault", {}, "Invalid number of arguments.", nullptr},
    {"NoConstructorTakesTwo", "fixtures.NoDefault", {1, 2}, "Invalid number of arguments.", nullptr},
};

class NewObjectTexts : public ::testing::TestWithParam<TextRow> {
protected:
    void SetUp() override { use_standard_vm_setup(); }
};

TEST_P(NewObjectTexts, DescribeTheRefusal)
{
    const TextRow &row = GetParam();
    std::vector<ScopedVariant> values;
    for (LONG value : row.arguments) values.push_back(ScopedVariant::i4(value));
    std::vector<const VARIANT *> arguments;
    for (const ScopedVariant &value : values) arguments.push_back(value.get());
    DebugOutput output;
    ComPtr<IDispatch> made;
    EXPECT_EQ(E_FAIL, new_object(row.class_name, arguments, made));
    EXPECT_EQ(row.description, taken_error().description);
    if (row.traced) {
        bool found = false;
        for (const std::string &line : output.lines()) found = found || line.find(row.traced) != std::string::npos;
        EXPECT_TRUE(found) << row.traced;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, NewObjectTexts, ::testing::ValuesIn(text_rows), test_names::by_field<&TextRow::name>);

TEST(StaticsTexts, MissingClassIsNamed)
{
    use_standard_vm_setup();
    ComPtr<IDispatch> made;
    EXPECT_EQ(E_FAIL, statics("no.such.Clazz", made));
    EXPECT_EQ("java.lang.ClassNotFoundException: no.such.Clazz", taken_error().description);
}

}  // namespace
