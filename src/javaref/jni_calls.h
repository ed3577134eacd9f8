// The JNI calls the bridge makes, checked: a call that can leave a Java exception pending
// throws it before it returns, as TavlinEx::check_exception makes it (a TavlinEx*, with the
// Java text), so that no caller can forget to look. A reference comes back owned, as a
// LocalRef of the type asked for; null with nothing pending is an answer like any other (a
// method that returned null), never an error. Everything here is inline and allocates
// nothing: a checked call costs its JNI call and the one exception check it needs anyway.
//
// The calls are named as JNI names them, and the type of a result or a field chooses its JNI
// family: call_method<jint> is CallIntMethod, call_method<jstring> is CallObjectMethod with its
// result typed as a string. Calls whose names end in _a take their arguments as jvalues, the
// others as C varargs, as in JNI. Calls that cannot leave an exception pending (GetObjectClass,
// IsInstanceOf, GetArrayLength...) are made on the environment directly, and so are the few
// that look at a pending exception themselves: the exception capture, the edge where the
// bridge throws into Java, the class lookup that tries a nested class's names.
#pragma once

#include <jni.h>

#include <string>
#include <type_traits>

#include "errors/tavlin_ex.h"
#include "javaref/local_ref.h"

namespace tavlin::jni {

// `ref`, just returned by a JNI call, owned; throws what the call left pending. For the few
// calls made outside this layer: a lookup that looks at what is pending before it gives up.
template <class T> LocalRef<T> owned(JNIEnv *env, T ref)
{
    LocalRef<T> held(env, ref);
    TavlinEx::check_exception(env);
    return held;
}

namespace detail {

// The JNI entries of one Java type, chosen by its JNI type; a reference of any class goes
// through jobject's.
template <class T> struct Entries;

#define TAVLIN_JNI_METHODS(Type, Name)                                                                                 \
    template <class... Args> static Type call(JNIEnv *env, jobject object, jmethodID method, Args... args)             \
    {                                                                                                                  \
        return env->Call##Name##Method(object, method, args...);                                                       \
    }                                                                                                                  \
    static Type call_a(JNIEnv *env, jobject object, jmethodID method, const jvalue *args)                              \
    {                                                                                                                  \
        return env->Call##Name##MethodA(object, method, args);                                                         \
    }                                                                                                                  \
    template <class... Args> static Type call_static(JNIEnv *env, jclass klass, jmethodID method, Args... args)        \
    {                                                                                                                  \
        return env->CallStatic##Name##Method(klass, method, args...);                                                  \
    }                                                                                                                  \
    static Type call_static_a(JNIEnv *env, jclass klass, jmethodID method, const jvalue *args)                         \
    {                                                                                                                  \
        return env->CallStatic##Name##MethodA(klass, method, args);                                                    \
    }

#define TAVLIN_JNI_FIELDS(Type, Name)                                                                                  \
    static Type get_field(JNIEnv *env, jobject object, jfieldID field)                                                 \
    {                                                                                                                  \
        return env->Get##Name##Field(object, field);                                                                   \
    }                                                                                                                  \
    static Type get_static_field(JNIEnv *env, jclass klass, jfieldID field)                                            \
    {                                                                                                                  \
        return env->GetStatic##Name##Field(klass, field);                                                              \
    }                                                                                                                  \
    static void set_field(JNIEnv *env, jobject object, jfieldID field, Type value)                                     \
    {                                                                                                                  \
        env->Set##Name##Field(object, field, value);                                                                   \
    }                                                                                                                  \
    static void set_static_field(JNIEnv *env, jclass klass, jfieldID field, Type value)                                \
    {                                                                                                                  \
        env->SetStatic##Name##Field(klass, field, value);                                                              \
    }

#define TAVLIN_JNI_ARRAYS(Type, Name)                                                                                  \
    static jarray new_array(JNIEnv *env, jsize length) { return env->New##Name##Array(length); }                       \
    static void get_region(JNIEnv *env, jarray array, jsize start, jsize length, Type *to)                             \
    {                                                                                                                  \
        env->Get##Name##ArrayRegion(static_cast<Type##Array>(array), start, length, to);                               \
    }                                                                                                                  \
    static void set_region(JNIEnv *env, jarray array, jsize start, jsize length, const Type *from)                     \
    {                                                                                                                  \
        env->Set##Name##ArrayRegion(static_cast<Type##Array>(array), start, length, from);                             \
    }

#define TAVLIN_JNI_PRIMITIVE(Type, Name)                                                                               \
    template <> struct Entries<Type> {                                                                                 \
        TAVLIN_JNI_METHODS(Type, Name)                                                                                 \
        TAVLIN_JNI_FIELDS(Type, Name)                                                                                  \
        TAVLIN_JNI_ARRAYS(Type, Name)                                                                                  \
    }

template <> struct Entries<jobject> {
    TAVLIN_JNI_METHODS(jobject, Object)
    TAVLIN_JNI_FIELDS(jobject, Object)
};
TAVLIN_JNI_PRIMITIVE(jboolean, Boolean);
TAVLIN_JNI_PRIMITIVE(jbyte, Byte);
TAVLIN_JNI_PRIMITIVE(jchar, Char);
TAVLIN_JNI_PRIMITIVE(jshort, Short);
TAVLIN_JNI_PRIMITIVE(jint, Int);
TAVLIN_JNI_PRIMITIVE(jlong, Long);
TAVLIN_JNI_PRIMITIVE(jfloat, Float);
TAVLIN_JNI_PRIMITIVE(jdouble, Double);

#undef TAVLIN_JNI_PRIMITIVE
#undef TAVLIN_JNI_ARRAYS
#undef TAVLIN_JNI_FIELDS
#undef TAVLIN_JNI_METHODS

template <class T> constexpr bool is_reference = std::is_convertible_v<T, jobject>;
template <class T> using Family = Entries<std::conditional_t<is_reference<T>, jobject, T>>;

// A jvalue array given where C varargs are read would be read as a pointer argument.
template <class... Args> constexpr bool no_jvalue_array = (!std::is_same_v<std::decay_t<Args>, jvalue *> && ...) &&
                                                          (!std::is_same_v<std::decay_t<Args>, const jvalue *> && ...);

// `value`, just returned by a JNI call, after the one check for what the call left pending:
// a primitive or an ID as it is, a reference owned and typed R. The call is made by the caller
// rather than wrapped in a closure: the sanitizer build keeps each closure in its caller's
// frame, and the conversions of nested arrays recurse through such frames.
template <class R, class Value> auto checked(JNIEnv *env, Value value)
{
    if constexpr (is_reference<R>) {
        return owned(env, static_cast<R>(value));
    } else {
        TavlinEx::check_exception(env);
        return value;
    }
}

// The JNI call just made returned nothing; throws what it left pending.
inline void checked(JNIEnv *env) { TavlinEx::check_exception(env); }

}  // namespace detail

// Methods. R is the result's JNI type: void, a primitive, or a reference type (jobject,
// jstring, jclass, jobjectArray...), which comes back as a LocalRef<R>.

template <class R, class... Args> auto call_method(JNIEnv *env, jobject object, jmethodID method, Args... args)
{
    static_assert(detail::no_jvalue_array<Args...>, "jvalue arrays go to call_method_a");
    if constexpr (std::is_void_v<R>) {
        env->CallVoidMethod(object, method, args...);
        detail::checked(env);
    } else {
        return detail::checked<R>(env, detail::Family<R>::call(env, object, method, args...));
    }
}

template <class R> auto call_method_a(JNIEnv *env, jobject object, jmethodID method, const jvalue *args)
{
    if constexpr (std::is_void_v<R>) {
        env->CallVoidMethodA(object, method, args);
        detail::checked(env);
    } else {
        return detail::checked<R>(env, detail::Family<R>::call_a(env, object, method, args));
    }
}

template <class R, class... Args> auto call_static_method(JNIEnv *env, jclass klass, jmethodID method, Args... args)
{
    static_assert(detail::no_jvalue_array<Args...>, "jvalue arrays go to call_static_method_a");
    if constexpr (std::is_void_v<R>) {
        env->CallStaticVoidMethod(klass, method, args...);
        detail::checked(env);
    } else {
        return detail::checked<R>(env, detail::Family<R>::call_static(env, klass, method, args...));
    }
}

template <class R> auto call_static_method_a(JNIEnv *env, jclass klass, jmethodID method, const jvalue *args)
{
    if constexpr (std::is_void_v<R>) {
        env->CallStaticVoidMethodA(klass, method, args);
        detail::checked(env);
    } else {
        return detail::checked<R>(env, detail::Family<R>::call_static_a(env, klass, method, args));
    }
}

template <class T = jobject, class... Args>
LocalRef<T> new_object(JNIEnv *env, jclass klass, jmethodID constructor, Args... args)
{
    static_assert(detail::no_jvalue_array<Args...>, "jvalue arrays go to new_object_a");
    return owned(env, static_cast<T>(env->NewObject(klass, constructor, args...)));
}

template <class T = jobject>
LocalRef<T> new_object_a(JNIEnv *env, jclass klass, jmethodID constructor, const jvalue *args)
{
    return owned(env, static_cast<T>(env->NewObjectA(klass, constructor, args)));
}

// Fields, of the JNI type R (a reference comes back as a LocalRef<R>).

template <class R> auto get_field(JNIEnv *env, jobject object, jfieldID field)
{
    return detail::checked<R>(env, detail::Family<R>::get_field(env, object, field));
}

template <class R> auto get_static_field(JNIEnv *env, jclass klass, jfieldID field)
{
    return detail::checked<R>(env, detail::Family<R>::get_static_field(env, klass, field));
}

template <class V> void set_field(JNIEnv *env, jobject object, jfieldID field, V value)
{
    detail::Family<V>::set_field(env, object, field, value);
    detail::checked(env);
}

template <class V> void set_static_field(JNIEnv *env, jclass klass, jfieldID field, V value)
{
    detail::Family<V>::set_static_field(env, klass, field, value);
    detail::checked(env);
}

// Classes and their members.

inline LocalRef<jclass> find_class(JNIEnv *env, const char *name) { return owned(env, env->FindClass(name)); }

inline jmethodID get_method_id(JNIEnv *env, jclass klass, const char *name, const char *signature)
{
    return detail::checked<jmethodID>(env, env->GetMethodID(klass, name, signature));
}

inline jmethodID get_static_method_id(JNIEnv *env, jclass klass, const char *name, const char *signature)
{
    return detail::checked<jmethodID>(env, env->GetStaticMethodID(klass, name, signature));
}

inline jfieldID get_static_field_id(JNIEnv *env, jclass klass, const char *name, const char *signature)
{
    return detail::checked<jfieldID>(env, env->GetStaticFieldID(klass, name, signature));
}

inline jmethodID from_reflected_method(JNIEnv *env, jobject method)
{
    return detail::checked<jmethodID>(env, env->FromReflectedMethod(method));
}

inline jfieldID from_reflected_field(JNIEnv *env, jobject field)
{
    return detail::checked<jfieldID>(env, env->FromReflectedField(field));
}

inline jint register_natives(JNIEnv *env, jclass klass, const JNINativeMethod *methods, jint count)
{
    return detail::checked<jint>(env, env->RegisterNatives(klass, methods, count));
}

// Arrays. A primitive array's element type T (jint, jdouble...) chooses its JNI family.

inline LocalRef<jobjectArray> new_object_array(JNIEnv *env, jsize length, jclass element_class, jobject initial)
{
    return owned(env, env->NewObjectArray(length, element_class, initial));
}

template <class T = jobject> LocalRef<T> get_object_array_element(JNIEnv *env, jobjectArray array, jsize index)
{
    return owned(env, static_cast<T>(env->GetObjectArrayElement(array, index)));
}

inline void set_object_array_element(JNIEnv *env, jobjectArray array, jsize index, jobject value)
{
    env->SetObjectArrayElement(array, index, value);
    detail::checked(env);
}

template <class T> LocalRef<jarray> new_array(JNIEnv *env, jsize length)
{
    return owned(env, detail::Entries<T>::new_array(env, length));
}

template <class T> void get_array_region(JNIEnv *env, jarray array, jsize start, jsize length, T *to)
{
    detail::Entries<T>::get_region(env, array, start, length, to);
    detail::checked(env);
}

template <class T> void set_array_region(JNIEnv *env, jarray array, jsize start, jsize length, const T *from)
{
    detail::Entries<T>::set_region(env, array, start, length, from);
    detail::checked(env);
}

// Strings.

inline LocalRef<jstring> new_string(JNIEnv *env, const jchar *units, jsize length)
{
    return owned(env, env->NewString(units, length));
}

inline LocalRef<jstring> new_string_utf(JNIEnv *env, const char *text) { return owned(env, env->NewStringUTF(text)); }

inline void get_string_region(JNIEnv *env, jstring string, jsize start, jsize length, jchar *to)
{
    env->GetStringRegion(string, start, length, to);
    detail::checked(env);
}

// The string's characters in JNI's modified UTF-8, held until the holder ends; an empty
// holder, and no JNI call, for a null string.
inline UtfChars utf_chars(JNIEnv *env, jstring string)
{
    if (!string) return UtfChars();
    UtfChars chars(env->GetStringUTFChars(string, nullptr), UtfCharsRelease{env, string});
    TavlinEx::check_exception(env);
    return chars;
}

// The string's characters in modified UTF-8, copied; empty for a null string.
inline std::string utf8_string(JNIEnv *env, jstring string)
{
    const UtfChars chars = utf_chars(env, string);
    return chars ? chars.get() : "";
}

}  // namespace tavlin::jni
