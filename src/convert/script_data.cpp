#include "convert/script_data.h"

#include "convert/com_to_java.h"
#include "convert/prepared_arguments.h"
#include "convert/script_array.h"
#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"

namespace tavlin {

namespace {

constexpr Argument kScriptData[] = {Argument::ScriptArray, Argument::ScriptMap, Argument::ScriptDate};

// Whether the parameter holds what a script's data of kind `data` becomes (the class its row
// names for a parameter of another class).
bool holds(JNIEnv *env, Argument data, const JavaType &type)
{
    if (type.shape.kind == ParameterKind::Date) return data == Argument::ScriptDate;
    if (type.shape.kind != ParameterKind::Reference || !type.klass) return false;
    if (env->IsAssignableFrom(java_reflect.*argument_row(data, ParameterKind::Reference).becomes.klass, type.klass))
        return true;
    return data == Argument::ScriptDate && env->IsAssignableFrom(java_reflect.calendar_class, type.klass);
}

bool could_hold_script_data(JNIEnv *env, const JavaType &type)
{
    for (Argument data : kScriptData)
        if (holds(env, data, type)) return true;
    return false;
}

const JavaType &object_array_type()
{
    static const JavaType type("[Ljava/lang/Object;", nullptr);
    return type;
}

// The elements of a safe array of Variants as an Object[], in slot 0 of `out`, each
// converted as an argument for Object.
void convert_to_object_array(JNIEnv *env, SAFEARRAY *array, PreparedArguments &out, int index, bool strict)
{
    convert_safe_array(env, array, VT_VARIANT, out, index, object_array_type(), strict);
}

}  // namespace

Argument script_argument(JNIEnv *env, IDispatch *object, const JavaType &type, Argument &known)
{
    if (!could_hold_script_data(env, type)) return Argument::Foreign;
    if (known == Argument::Other) known = script_data_of(object);
    // Data that the parameter cannot hold (an object literal for an Iterable) stays what any
    // other object is there: a callback, as before.
    return known != Argument::Foreign && holds(env, known, type) ? known : Argument::Foreign;
}

jobject new_java_list(JNIEnv *env, const VARIANT &array, bool strict)
{
    PreparedArguments elements(env, 1);
    convert_com_array_to_java_array(env, &array, elements, 0, object_array_type(), strict);
    LocalRef<jobject> fixed = jni::call_static_method<jobject>(env, java_reflect.arrays_class,
                                                               java_reflect.arrays_asList, elements.value(0).l);
    return jni::new_object(env, java_reflect.array_list_class, java_reflect.array_list_init, fixed.get()).release();
}

jobject new_java_map(JNIEnv *env, IDispatch *object, bool strict)
{
    ScriptEntries entries = script_map_entries(object);
    PreparedArguments converted(env, 2);
    convert_to_object_array(env, entries.keys.get(), converted, 0, strict);
    convert_to_object_array(env, entries.values.get(), converted, 1, strict);
    const auto keys = static_cast<jobjectArray>(converted.value(0).l);
    const auto values = static_cast<jobjectArray>(converted.value(1).l);
    CLocalRef map = jni::new_object(env, java_reflect.linked_hash_map_class, java_reflect.linked_hash_map_init);
    const jsize count = env->GetArrayLength(keys);  // as many as values: both were read together
    for (jsize i = 0; i < count; ++i) {
        const CLocalRef key(env, env->GetObjectArrayElement(keys, i));
        const CLocalRef value(env, env->GetObjectArrayElement(values, i));
        jni::call_method<jobject>(env, map.get(), java_reflect.linked_hash_map_put, key.get(), value.get());
    }
    return map.release();
}

jobject new_java_date_of_script(JNIEnv *env, IDispatch *object, const JavaType &type)
{
    CLocalRef date = jni::new_object(env, java_reflect.date_class, java_reflect.date_init,
                                     static_cast<jlong>(script_date_time(object)));
    if (type.shape.kind == ParameterKind::Date || !type.klass || env->IsInstanceOf(date.get(), type.klass))
        return date.release();
    // The VM's default zone and locale, as Calendar.getInstance() gives them.
    CLocalRef calendar = jni::new_object(env, java_reflect.calendar_class, java_reflect.calendar_init);
    jni::call_method<void>(env, calendar.get(), java_reflect.calendar_setTime, date.get());
    return calendar.release();
}

}  // namespace tavlin
