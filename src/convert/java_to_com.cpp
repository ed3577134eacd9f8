#include "convert/java_to_com.h"

#include <cstdint>
#include <string>

#include "convert/java_class_name.h"
#include "convert/java_date.h"
#include "convert/java_text.h"
#include "convert/proxies.h"
#include "errors/tavlin_ex.h"
#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"

namespace tavlin {

namespace {

// A boxed long within 32 bits comes back as VT_I4; a wider one as the double of the same
// number (as a primitive long result does), rather than losing its high half.
void store_long(jlong value, VARIANT *result)
{
    if (value >= INT32_MIN && value <= INT32_MAX) {
        result->lVal = static_cast<LONG>(value);
        result->vt = VT_I4;
    } else {
        result->dblVal = static_cast<double>(value);
        result->vt = VT_R8;
    }
}

// A wrapper class, its unboxing method and how the value it gives is stored. Only the exact
// class matches: a subclass of a wrapper cannot exist, and a user class is an object.
struct UnboxingRow {
    jclass CJavaReflect::*klass;
    jmethodID CJavaReflect::*method;
    void (*store)(JNIEnv *env, jobject boxed, jmethodID method, VARIANT *result);
};

const UnboxingRow kUnboxingRows[] = {
    {&CJavaReflect::boolean_class, &CJavaReflect::boolean_booleanValue,
     [](JNIEnv *env, jobject boxed, jmethodID method, VARIANT *result) {
         result->boolVal = jni::call_method<jboolean>(env, boxed, method) ? VARIANT_TRUE : VARIANT_FALSE;
         result->vt = VT_BOOL;
     }},
    {&CJavaReflect::byte_class, &CJavaReflect::byte_byteValue,
     [](JNIEnv *env, jobject boxed, jmethodID method, VARIANT *result) {
         result->cVal = static_cast<CHAR>(jni::call_method<jbyte>(env, boxed, method));
         result->vt = VT_I1;
     }},
    {&CJavaReflect::character_class, &CJavaReflect::character_charValue,
     [](JNIEnv *env, jobject boxed, jmethodID method, VARIANT *result) {
         result->uiVal = jni::call_method<jchar>(env, boxed, method);
         result->vt = VT_UI2;
     }},
    {&CJavaReflect::short_class, &CJavaReflect::short_shortValue,
     [](JNIEnv *env, jobject boxed, jmethodID method, VARIANT *result) {
         result->iVal = jni::call_method<jshort>(env, boxed, method);
         result->vt = VT_I2;
     }},
    {&CJavaReflect::integer_class, &CJavaReflect::integer_intValue,
     [](JNIEnv *env, jobject boxed, jmethodID method, VARIANT *result) {
         result->lVal = jni::call_method<jint>(env, boxed, method);
         result->vt = VT_I4;
     }},
    {&CJavaReflect::long_class, &CJavaReflect::long_longValue,
     [](JNIEnv *env, jobject boxed, jmethodID method, VARIANT *result) {
         store_long(jni::call_method<jlong>(env, boxed, method), result);
     }},
    {&CJavaReflect::float_class, &CJavaReflect::float_floatValue,
     [](JNIEnv *env, jobject boxed, jmethodID method, VARIANT *result) {
         result->fltVal = jni::call_method<jfloat>(env, boxed, method);
         result->vt = VT_R4;
     }},
    {&CJavaReflect::double_class, &CJavaReflect::double_doubleValue,
     [](JNIEnv *env, jobject boxed, jmethodID method, VARIANT *result) {
         result->dblVal = jni::call_method<jdouble>(env, boxed, method);
         result->vt = VT_R8;
     }},
};

// The classes of the conversion table are matched exactly, never a subclass: for these
// final classes of the boot class path, the class object itself is as good as its name, and
// far cheaper to compare.
bool converted_by_class(JNIEnv *env, jobject object, VARIANT *result)
{
    CLocalRef klass(env, env->GetObjectClass(object));
    if (env->IsSameObject(klass.get(), java_reflect.string_class)) {
        result->bstrVal = new_bstr(env, static_cast<jstring>(object));
        result->vt = VT_BSTR;
        return true;
    }
    for (const UnboxingRow &row : kUnboxingRows) {
        if (env->IsSameObject(klass.get(), java_reflect.*row.klass)) {
            row.store(env, object, java_reflect.*row.method, result);
            return true;
        }
    }
    return false;
}

}  // namespace

void convert_java_to_com(JNIEnv *env, jobject object, VARIANT *result)
{
    CLocalRef held(env, object);
    if (converted_by_class(env, object, result)) return;
    std::string name = java_class_name(env, object);
    if (name[0] == '[') {
        convert_java_array_to_com_array(env, object, result, name.c_str());
        return;
    }
    if (name == "java/util/Date") {
        result->date = automation_date(env, object);
        result->vt = VT_DATE;
    } else {
        result->pdispVal = new_proxy(env, object, name.c_str());
        result->vt = VT_DISPATCH;
    }
}

}  // namespace tavlin
