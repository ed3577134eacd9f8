#include "javaref/java_reflect.h"

#include <memory>
#include <mutex>

#include "errors/tavlin_ex.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"
#include "util/debug_trace.h"

namespace tavlin {

CJavaReflect java_reflect;

namespace {

std::mutex fill_mutex;

// One row of the table: a class (looked up by name), or a method or an int constant of the
// nearest class row above it.
struct Row {
    enum Kind { Class, Method, StaticMethod, Constant } kind;
    const char *name;
    const char *signature;
    jclass CJavaReflect::*klass;
    jmethodID CJavaReflect::*method;
    jint CJavaReflect::*constant;
};

#define CLASS_ROW(field, name)                                                                                         \
    {                                                                                                                  \
        Row::Class, name, nullptr, &CJavaReflect::field, nullptr, nullptr                                              \
    }
#define METHOD_ROW(field, name, sig)                                                                                   \
    {                                                                                                                  \
        Row::Method, name, sig, nullptr, &CJavaReflect::field, nullptr                                                 \
    }
#define CONSTANT_ROW(name)                                                                                             \
    {                                                                                                                  \
        Row::Constant, #name, "I", nullptr, nullptr, &CJavaReflect::calendar_##name                                    \
    }

const Row core_rows[] = {
    CLASS_ROW(method_class, "java/lang/reflect/Method"),
    METHOD_ROW(method_getReturnType, "getReturnType", "()Ljava/lang/Class;"),
    METHOD_ROW(method_getModifiers, "getModifiers", "()I"),
    METHOD_ROW(method_toString, "toString", "()Ljava/lang/String;"),
    METHOD_ROW(method_getName, "getName", "()Ljava/lang/String;"),
    METHOD_ROW(method_getParameterTypes, "getParameterTypes", "()[Ljava/lang/Class;"),
    CLASS_ROW(constructor_class, "java/lang/reflect/Constructor"),
    METHOD_ROW(constructor_getModifiers, "getModifiers", "()I"),
    METHOD_ROW(constructor_toString, "toString", "()Ljava/lang/String;"),
    METHOD_ROW(constructor_getName, "getName", "()Ljava/lang/String;"),
    METHOD_ROW(constructor_getParameterTypes, "getParameterTypes", "()[Ljava/lang/Class;"),
    CLASS_ROW(class_class, "java/lang/Class"),
    METHOD_ROW(class_getName, "getName", "()Ljava/lang/String;"),
    METHOD_ROW(class_getMethods, "getMethods", "()[Ljava/lang/reflect/Method;"),
    METHOD_ROW(class_getConstructors, "getConstructors", "()[Ljava/lang/reflect/Constructor;"),
    METHOD_ROW(class_getModifiers, "getModifiers", "()I"),
    METHOD_ROW(class_isInterface, "isInterface", "()Z"),
    METHOD_ROW(class_getFields, "getFields", "()[Ljava/lang/reflect/Field;"),
    METHOD_ROW(class_getComponentType, "getComponentType", "()Ljava/lang/Class;"),
    METHOD_ROW(class_getMethod, "getMethod", "(Ljava/lang/String;[Ljava/lang/Class;)Ljava/lang/reflect/Method;"),
    CLASS_ROW(field_class, "java/lang/reflect/Field"),
    METHOD_ROW(field_getName, "getName", "()Ljava/lang/String;"),
    METHOD_ROW(field_getModifiers, "getModifiers", "()I"),
    METHOD_ROW(field_getType, "getType", "()Ljava/lang/Class;"),
    CLASS_ROW(modifier_class, "java/lang/reflect/Modifier"),
    {Row::StaticMethod, "isStatic", "(I)Z", nullptr, &CJavaReflect::modifier_isStatic, nullptr},
    {Row::StaticMethod, "isAbstract", "(I)Z", nullptr, &CJavaReflect::modifier_isAbstract, nullptr},
    {Row::StaticMethod, "isFinal", "(I)Z", nullptr, &CJavaReflect::modifier_isFinal, nullptr},
    CLASS_ROW(object_class, "java/lang/Object"),
    METHOD_ROW(object_getClass, "getClass", "()Ljava/lang/Class;"),
    CLASS_ROW(object_array_class, "[Ljava/lang/Object;"),
    CLASS_ROW(boolean_class, "java/lang/Boolean"),
    METHOD_ROW(boolean_init, "<init>", "(Z)V"),
    METHOD_ROW(boolean_booleanValue, "booleanValue", "()Z"),
    CLASS_ROW(byte_class, "java/lang/Byte"),
    METHOD_ROW(byte_init, "<init>", "(B)V"),
    METHOD_ROW(byte_byteValue, "byteValue", "()B"),
    CLASS_ROW(character_class, "java/lang/Character"),
    METHOD_ROW(character_init, "<init>", "(C)V"),
    METHOD_ROW(character_charValue, "charValue", "()C"),
    CLASS_ROW(short_class, "java/lang/Short"),
    METHOD_ROW(short_init, "<init>", "(S)V"),
    METHOD_ROW(short_shortValue, "shortValue", "()S"),
    CLASS_ROW(integer_class, "java/lang/Integer"),
    METHOD_ROW(integer_init, "<init>", "(I)V"),
    METHOD_ROW(integer_intValue, "intValue", "()I"),
    CLASS_ROW(long_class, "java/lang/Long"),
    METHOD_ROW(long_init, "<init>", "(J)V"),
    METHOD_ROW(long_longValue, "longValue", "()J"),
    CLASS_ROW(float_class, "java/lang/Float"),
    METHOD_ROW(float_init, "<init>", "(F)V"),
    METHOD_ROW(float_floatValue, "floatValue", "()F"),
    CLASS_ROW(double_class, "java/lang/Double"),
    METHOD_ROW(double_init, "<init>", "(D)V"),
    METHOD_ROW(double_doubleValue, "doubleValue", "()D"),
    CLASS_ROW(calendar_class, "java/util/GregorianCalendar"),
    METHOD_ROW(calendar_init, "<init>", "()V"),
    METHOD_ROW(calendar_setGregorianChange, "setGregorianChange", "(Ljava/util/Date;)V"),
    METHOD_ROW(calendar_clear, "clear", "()V"),
    METHOD_ROW(calendar_set, "set", "(IIIIII)V"),
    METHOD_ROW(calendar_getTime, "getTime", "()Ljava/util/Date;"),
    METHOD_ROW(calendar_get, "get", "(I)I"),
    METHOD_ROW(calendar_setTime, "setTime", "(Ljava/util/Date;)V"),
    CONSTANT_ROW(ERA),
    CONSTANT_ROW(YEAR),
    CONSTANT_ROW(MONTH),
    CONSTANT_ROW(DAY_OF_MONTH),
    CONSTANT_ROW(HOUR_OF_DAY),
    CONSTANT_ROW(MINUTE),
    CONSTANT_ROW(SECOND),
    CONSTANT_ROW(AD),
    CLASS_ROW(date_class, "java/util/Date"),
    METHOD_ROW(date_init, "<init>", "(J)V"),
    CLASS_ROW(big_decimal_class, "java/math/BigDecimal"),
    METHOD_ROW(big_decimal_init, "<init>", "(Ljava/lang/String;)V"),
    CLASS_ROW(string_class, "java/lang/String"),
    CLASS_ROW(iterable_class, "java/lang/Iterable"),
    METHOD_ROW(iterable_iterator, "iterator", "()Ljava/util/Iterator;"),
    CLASS_ROW(map_class, "java/util/Map"),
    METHOD_ROW(map_keySet, "keySet", "()Ljava/util/Set;"),
    CLASS_ROW(iterator_class, "java/util/Iterator"),
    METHOD_ROW(iterator_hasNext, "hasNext", "()Z"),
    METHOD_ROW(iterator_next, "next", "()Ljava/lang/Object;"),
    CLASS_ROW(enumeration_class, "java/util/Enumeration"),
    METHOD_ROW(enumeration_hasMoreElements, "hasMoreElements", "()Z"),
    METHOD_ROW(enumeration_nextElement, "nextElement", "()Ljava/lang/Object;"),
    CLASS_ROW(list_class, "java/util/List"),
    CLASS_ROW(array_list_class, "java/util/ArrayList"),
    METHOD_ROW(array_list_init, "<init>", "(Ljava/util/Collection;)V"),
    CLASS_ROW(arrays_class, "java/util/Arrays"),
    {Row::StaticMethod, "asList", "([Ljava/lang/Object;)Ljava/util/List;", nullptr, &CJavaReflect::arrays_asList,
     nullptr},
    CLASS_ROW(linked_hash_map_class, "java/util/LinkedHashMap"),
    METHOD_ROW(linked_hash_map_init, "<init>", "()V"),
    METHOD_ROW(linked_hash_map_put, "put", "(Ljava/lang/Object;Ljava/lang/Object;)Ljava/lang/Object;"),
};

// A static final int of `klass`, such as a calendar's field number.
jint read_constant(JNIEnv *env, jclass klass, const Row &row)
{
    jfieldID field = jni::get_static_field_id(env, klass, row.name, row.signature);
    return jni::get_static_field<jint>(env, klass, field);
}

// Walks rows in order; every lookup is checked before the next.
void fill_rows(JNIEnv *env, CJavaReflect &table, const Row *begin, const Row *end)
{
    jclass current = nullptr;
    for (const Row *row = begin; row != end; ++row) {
        if (row->kind == Row::Class) {
            const LocalRef<jclass> local = jni::find_class(env, row->name);
            current = static_cast<jclass>(env->NewGlobalRef(local.get()));
            table.*(row->klass) = current;
        } else if (row->kind == Row::Constant) {
            table.*(row->constant) = read_constant(env, current, *row);
        } else {
            table.*(row->method) = row->kind == Row::StaticMethod
                                       ? jni::get_static_method_id(env, current, row->name, row->signature)
                                       : jni::get_method_id(env, current, row->name, row->signature);
        }
    }
}

void clear_rows(JNIEnv *env, CJavaReflect &table)
{
    for (const Row &row : core_rows) {
        if (row.kind == Row::Class) {
            if (table.*(row.klass)) env->DeleteGlobalRef(table.*(row.klass));
            table.*(row.klass) = nullptr;
        } else if (row.kind == Row::Constant) {
            table.*(row.constant) = 0;
        } else {
            table.*(row.method) = nullptr;
        }
    }
}

// Class.forName(name, false, ClassLoader.getSystemClassLoader()): the class as a local
// reference, found only on the configured class path and not initialized; null, with the
// exception pending, when it cannot be had.
jobject find_uninitialized(JNIEnv *env, jclass class_class, const char *name)
{
    CLocalRef loader_class(env, env->FindClass("java/lang/ClassLoader"));
    if (!loader_class) return nullptr;
    jmethodID system_loader =
        env->GetStaticMethodID(loader_class.as<jclass>(), "getSystemClassLoader", "()Ljava/lang/ClassLoader;");
    if (!system_loader) return nullptr;
    CLocalRef loader(env, env->CallStaticObjectMethod(loader_class.as<jclass>(), system_loader));
    if (env->ExceptionCheck()) return nullptr;
    jmethodID for_name =
        env->GetStaticMethodID(class_class, "forName", "(Ljava/lang/String;ZLjava/lang/ClassLoader;)Ljava/lang/Class;");
    if (!for_name) return nullptr;
    CLocalRef text(env, env->NewStringUTF(name));
    if (!text) return nullptr;
    return env->CallStaticObjectMethod(class_class, for_name, text.get(), JNI_FALSE, loader.get());
}

// The product exception's class comes from an archive that may be absent. Nothing of it runs
// before the bridge meets one of its exceptions; a lookup that fails is traced and dropped.
void fill_product_rows(JNIEnv *env, CJavaReflect &table)
{
    CLocalRef found(env, find_uninitialized(env, table.class_class, "varnexa.qz.api.QZException"));
    if (env->ExceptionCheck() || !found) {
        env->ExceptionClear();
        debug_trace("Optional class varnexa/qz/api/QZException not found on the class path");
        return;
    }
    table.qzexception_class = static_cast<jclass>(env->NewGlobalRef(found.get()));
}

}  // namespace

void CJavaReflect::init(JNIEnv *env)
{
    if (filled()) return;
    std::lock_guard<std::mutex> lock(fill_mutex);
    if (filled()) return;
    fill_count_.fetch_add(1);
    try {
        fill_rows(env, *this, std::begin(core_rows), std::end(core_rows));
    } catch (TavlinEx *) {
        clear_rows(env, *this);
        throw;
    }
    fill_product_rows(env, *this);
    filled_.store(true, std::memory_order_release);
}

bool has_abstract_modifier(JNIEnv *env, jobject member, jmethodID get_modifiers)
{
    jvalue modifiers;
    modifiers.i = jni::call_method<jint>(env, member, get_modifiers);
    return jni::call_static_method_a<jboolean>(env, java_reflect.modifier_class, java_reflect.modifier_isAbstract,
                                               &modifiers);
}

}  // namespace tavlin
