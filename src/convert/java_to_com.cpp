#include "convert/java_to_com.h"

#include <cstdint>
#include <string>

#include "convert/java_class_name.h"
#include "convert/java_date.h"
#include "convert/java_text.h"
#include "convert/proxies.h"
#include "javaref/java_reflect.h"
#include "javaref/local_ref.h"
#include "javaref/tavlin_ex.h"

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

// A wrapper class, its unboxing method and the JNI letter of the value it gives. Only the
// exact class matches: a subclass of a wrapper cannot exist, and a user class is an object.
struct UnboxingRow {
    jclass CJavaReflect::*klass;
    char letter;
    jmethodID CJavaReflect::*method;
};

const UnboxingRow kUnboxingRows[] = {
    {&CJavaReflect::boolean_class, 'Z', &CJavaReflect::boolean_booleanValue},
    {&CJavaReflect::byte_class, 'B', &CJavaReflect::byte_byteValue},
    {&CJavaReflect::character_class, 'C', &CJavaReflect::character_charValue},
    {&CJavaReflect::short_class, 'S', &CJavaReflect::short_shortValue},
    {&CJavaReflect::integer_class, 'I', &CJavaReflect::integer_intValue},
    {&CJavaReflect::long_class, 'J', &CJavaReflect::long_longValue},
    {&CJavaReflect::float_class, 'F', &CJavaReflect::float_floatValue},
    {&CJavaReflect::double_class, 'D', &CJavaReflect::double_doubleValue},
};

void unbox(JNIEnv *env, jobject boxed, const UnboxingRow &row, VARIANT *result)
{
    jmethodID method = java_reflect.*row.method;
    switch (row.letter) {
    case 'Z':
        result->boolVal = env->CallBooleanMethod(boxed, method) ? VARIANT_TRUE : VARIANT_FALSE;
        result->vt = VT_BOOL;
        break;
    case 'B':
        result->cVal = static_cast<CHAR>(env->CallByteMethod(boxed, method));
        result->vt = VT_I1;
        break;
    case 'C':
        result->uiVal = env->CallCharMethod(boxed, method);
        result->vt = VT_UI2;
        break;
    case 'S':
        result->iVal = env->CallShortMethod(boxed, method);
        result->vt = VT_I2;
        break;
    case 'I':
        result->lVal = env->CallIntMethod(boxed, method);
        result->vt = VT_I4;
        break;
    case 'J': store_long(env->CallLongMethod(boxed, method), result); break;
    case 'F':
        result->fltVal = env->CallFloatMethod(boxed, method);
        result->vt = VT_R4;
        break;
    case 'D':
        result->dblVal = env->CallDoubleMethod(boxed, method);
        result->vt = VT_R8;
        break;
    }
}

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
            unbox(env, object, row, result);
            TavlinEx::check_exception(env);
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
