// The process-wide reflection cache.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "debug_output.h"
#include "errors.h"
#include "javaref/java_reflect.h"
#include "test_process.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

std::vector<const void *> core_entries()
{
    const CJavaReflect &r = java_reflect;
    return {r.method_class,
            r.method_getReturnType,
            r.method_getModifiers,
            r.method_toString,
            r.method_getName,
            r.method_getParameterTypes,
            r.constructor_class,
            r.constructor_getModifiers,
            r.constructor_toString,
            r.constructor_getName,
            r.constructor_getParameterTypes,
            r.class_class,
            r.class_getName,
            r.class_getMethods,
            r.class_getConstructors,
            r.class_getModifiers,
            r.modifier_class,
            r.modifier_isStatic,
            r.modifier_isAbstract,
            r.object_class,
            r.object_getClass,
            r.boolean_class,
            r.boolean_init,
            r.boolean_booleanValue,
            r.byte_class,
            r.byte_init,
            r.byte_byteValue,
            r.character_class,
            r.character_init,
            r.character_charValue,
            r.short_class,
            r.short_init,
            r.short_shortValue,
            r.integer_class,
            r.integer_init,
            r.integer_intValue,
            r.long_class,
            r.long_init,
            r.long_longValue,
            r.float_class,
            r.float_init,
            r.float_floatValue,
            r.double_class,
            r.double_init,
            r.double_doubleValue,
            r.calendar_class,
            r.calendar_init,
            r.calendar_setGregorianChange,
            r.calendar_clear,
            r.calendar_set,
            r.calendar_getTime,
            r.calendar_get,
            r.calendar_setTime,
            r.date_class,
            r.date_init};
}

}  // namespace

// Each test needs the table's first use in its process, and the Windows builds run the
// tests of a suite in one process: each has a suite of its own.
TEST(JavaReflect, FillsEveryRowOnceAndSecondInitMakesNoLookup)
{
    use_standard_vm_setup();
    JNIEnv *env = get_env();
    java_reflect.init(env);
    std::vector<const void *> entries = core_entries();
    EXPECT_EQ(55u, entries.size());
    for (size_t row = 0; row < entries.size(); ++row) EXPECT_NE(nullptr, entries[row]) << "row " << row + 1;
    const CJavaReflect &r = java_reflect;
    EXPECT_EQ((std::vector<jint>{0, 1, 2, 5, 11, 12, 13, 1}),
              (std::vector<jint>{r.calendar_ERA, r.calendar_YEAR, r.calendar_MONTH, r.calendar_DAY_OF_MONTH,
                                 r.calendar_HOUR_OF_DAY, r.calendar_MINUTE, r.calendar_SECOND, r.calendar_AD}))
        << "Calendar's field numbers and GregorianCalendar.AD";
    EXPECT_NE(nullptr, java_reflect.qzexception_class);
    java_reflect.init(env);
    EXPECT_EQ(1, java_reflect.fill_count());
}

TEST(JavaReflectFirstUse, ConcurrentFirstCallsFillOnceAndSeeAFullTable)
{
    use_standard_vm_setup();
    get_env();
    std::atomic<int> incomplete{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            CThreadAttach attach;
            java_reflect.init(attach.env());
            for (const void *entry : core_entries())
                if (!entry) ++incomplete;
        });
    for (auto &thread : threads) thread.join();
    EXPECT_EQ(0, incomplete.load());
    EXPECT_EQ(1, java_reflect.fill_count());
}

TEST(JavaReflectWithoutProduct, MissingProductArchiveIsNoFailure)
{
    use_fresh_registry();
    set_environment("CLASSPATH", "/nonexistent/qz.jar");
    DebugOutput output;
    JNIEnv *env = get_env();
    EXPECT_FALSE(error_of([env] { java_reflect.init(env); }).thrown);
    EXPECT_TRUE(java_reflect.filled());
    EXPECT_EQ(nullptr, java_reflect.qzexception_class);
    EXPECT_FALSE(env->ExceptionCheck());
    bool traced = false;
    for (const std::string &line : output.lines())
        traced |= line.find("varnexa/qz/api/QZException") != std::string::npos;
    EXPECT_TRUE(traced) << "the lookup failure still reaches the debugger output";
}
