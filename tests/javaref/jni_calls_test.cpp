// The checked JNI calls: a call that leaves a Java exception pending throws it as the bridge's
// error, with the Java text, and leaves nothing pending; a null result with nothing pending is
// an answer, not an error.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "errors/tavlin_ex.h"
#include "javaref/jni_calls.h"
#include "test_process.h"
#include "util/text.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

struct CallRow {
    const char *name;
    std::function<void(JNIEnv *env)> call;
    // The Java text of the error it throws ("<class>: <message>", or the class alone where the
    // message differs between Java versions); null when it throws none.
    const char *java_text;
    bool whole_text;  // false: java_text is the exception's class, the message is not compared
};

const CallRow kCallRows[] = {
    {"a static void method that throws",
     [](JNIEnv *env) {
         LocalRef<jclass> klass = jni::find_class(env, "fixtures/Thrower");
         jmethodID method = jni::get_static_method_id(env, klass.get(), "illegalArgument", "(Ljava/lang/String;)V");
         jni::call_static_method<void>(env, klass.get(), method, jni::new_string_utf(env, "bad value").get());
     },
     "java.lang.IllegalArgumentException: bad value", true},
    {"a static int method that throws",
     [](JNIEnv *env) {
         LocalRef<jclass> klass = jni::find_class(env, "java/lang/Integer");
         jmethodID parse = jni::get_static_method_id(env, klass.get(), "parseInt", "(Ljava/lang/String;)I");
         jni::call_static_method<jint>(env, klass.get(), parse, jni::new_string_utf(env, "x").get());
     },
     "java.lang.NumberFormatException: For input string: \"x\"", true},
    {"a constructor that throws",
     [](JNIEnv *env) {
         LocalRef<jclass> klass = jni::find_class(env, "fixtures/FailingConstructor");
         jni::new_object(env, klass.get(), jni::get_method_id(env, klass.get(), "<init>", "()V"));
     },
     "java.lang.IllegalStateException: constructor failed", true},
    {"a missing class", [](JNIEnv *env) { jni::find_class(env, "no/such/Klass"); },
     "java.lang.NoClassDefFoundError: no/such/Klass", true},
    {"a missing method",
     [](JNIEnv *env) {
         jni::get_method_id(env, jni::find_class(env, "java/lang/String").get(), "noSuchMethod", "()V");
     },
     "java.lang.NoSuchMethodError", false},
    {"an element past the end",
     [](JNIEnv *env) {
         LocalRef<jobjectArray> array =
             jni::new_object_array(env, 1, jni::find_class(env, "java/lang/Object").get(), nullptr);
         jni::get_object_array_element(env, array.get(), 1);
     },
     "java.lang.ArrayIndexOutOfBoundsException", false},
    {"a region past the end",
     [](JNIEnv *env) {
         const jint values[2] = {1, 2};
         jni::set_array_region<jint>(env, jni::new_array<jint>(env, 1).get(), 0, 2, values);
     },
     "java.lang.ArrayIndexOutOfBoundsException", false},
    {"an array of negative length",
     [](JNIEnv *env) { jni::new_object_array(env, -1, jni::find_class(env, "java/lang/Object").get(), nullptr); },
     "java.lang.NegativeArraySizeException", false},
    {"a method that returns null",
     [](JNIEnv *env) {
         LocalRef<jclass> klass = jni::find_class(env, "java/util/HashMap");
         LocalRef<> map = jni::new_object(env, klass.get(), jni::get_method_id(env, klass.get(), "<init>", "()V"));
         jmethodID get = jni::get_method_id(env, klass.get(), "get", "(Ljava/lang/Object;)Ljava/lang/Object;");
         EXPECT_FALSE(jni::call_method<jobject>(env, map.get(), get, map.get()));
     },
     nullptr, true},
    {"a static method that returns null",
     [](JNIEnv *env) {
         LocalRef<jclass> klass = jni::find_class(env, "java/lang/System");
         jmethodID get =
             jni::get_static_method_id(env, klass.get(), "getProperty", "(Ljava/lang/String;)Ljava/lang/String;");
         EXPECT_FALSE(jni::call_static_method<jstring>(env, klass.get(), get,
                                                       jni::new_string_utf(env, "tavlin.no.such.property").get()));
     },
     nullptr, true},
    {"a null element",
     [](JNIEnv *env) {
         LocalRef<jobjectArray> array =
             jni::new_object_array(env, 1, jni::find_class(env, "java/lang/Object").get(), nullptr);
         EXPECT_FALSE(jni::get_object_array_element(env, array.get(), 0));
     },
     nullptr, true},
    {"a value of each family",
     [](JNIEnv *env) {
         LocalRef<jclass> klass = jni::find_class(env, "java/lang/Integer");
         jfieldID max = jni::get_static_field_id(env, klass.get(), "MAX_VALUE", "I");
         EXPECT_EQ(2147483647, jni::get_static_field<jint>(env, klass.get(), max));
         LocalRef<jstring> text = jni::new_string_utf(env, "h\xc3\xa9llo");
         jmethodID length = jni::get_method_id(env, jni::find_class(env, "java/lang/String").get(), "length", "()I");
         EXPECT_EQ(5, jni::call_method<jint>(env, text.get(), length));
         EXPECT_EQ("h\xc3\xa9llo", jni::utf8_string(env, text.get()));
     },
     nullptr, true},
};

// The Java text of what `call` threw, or null when it threw nothing.
std::unique_ptr<std::string> java_text_of(const std::function<void()> &call, bool whole_text)
{
    try {
        call();
        return nullptr;
    } catch (TavlinEx *caught) {
        TavlinExPtr error(caught);
        const OleString text = whole_text ? error->java_text() : error->java_class();
        return std::make_unique<std::string>(ole_to_utf8(text.data(), text.size()));
    }
}

}  // namespace

TEST(JniCalls, PendingExceptionsBecomeErrorsAndNullIsAnAnswer)
{
    use_standard_vm_setup();
    JNIEnv *env = get_env();
    for (const CallRow &row : kCallRows) {
        SCOPED_TRACE(row.name);
        std::unique_ptr<std::string> thrown = java_text_of([&] { row.call(env); }, row.whole_text);
        if (row.java_text) {
            ASSERT_TRUE(thrown) << "nothing thrown";
            EXPECT_EQ(row.java_text, *thrown);
        } else {
            EXPECT_FALSE(thrown) << "threw " << *thrown;
        }
        EXPECT_FALSE(env->ExceptionCheck()) << "the call left its exception pending";
    }
}

TEST(JniCalls, NullStringNeedsNoJni)
{
    // A null environment would crash on any JNI call: reading a null string must make none.
    EXPECT_FALSE(jni::utf_chars(nullptr, nullptr));
    EXPECT_EQ("", jni::utf8_string(nullptr, nullptr));
}
