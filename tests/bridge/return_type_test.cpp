// Return-type codes of methods, as the invocation path dispatches on them.
#include <gtest/gtest.h>

#include <memory>

#include "bridge/members/method_table.h"
#include "javaref/java_reflect.h"
#include "test_process.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

TEST(ReturnType, CodesByDeclaredType)
{
    use_standard_vm_setup();
    JNIEnv *env = get_env();
    java_reflect.init(env);
    jclass klass = env->FindClass("fixtures/Calculator");
    std::unique_ptr<MethodTable> table(MethodTable::build(env, klass));
    struct {
        const char *method;
        char code;
    } rows[] = {{"yes", 'z'},  {"minusOne", 'b'}, {"letterA", 'c'}, {"shortValue", 's'}, {"intValue", 'i'},
                {"big", 'j'},  {"half", 'f'},     {"pi", 'd'},      {"nothing", 'v'},    {"concat", 'l'},
                {"echo", 'l'}, {"noArray", 'l'},  {"boxed", 'l'},   {"graph", 'l'}};
    for (const auto &row : rows) {
        int index = table->get_method_info(env, row.method);
        ASSERT_GE(index, 0) << row.method;
        EXPECT_EQ(0, table->at(index).return_code.load()) << "unresolved until asked";
        EXPECT_TRUE(resolve_return_type(env, table->at(index)));
        EXPECT_EQ(row.code, table->at(index).return_code.load()) << row.method;
    }
}

TEST(ReturnType, NamesMapToCodes)
{
    struct {
        const char *name;
        char code;
    } rows[] = {{"boolean", 'z'},
                {"byte", 'b'},
                {"char", 'c'},
                {"short", 's'},
                {"int", 'i'},
                {"long", 'j'},
                {"float", 'f'},
                {"double", 'd'},
                {"void", 'v'},
                {"[I", 'l'},
                {"java/lang/String", 'l'},
                {"Int", 'l'}};
    for (const auto &row : rows) EXPECT_EQ(row.code, return_type_code(row.name)) << row.name;
}
