#include "bridge/members/walk.h"

#include "convert/java_class_name.h"
#include "convert/java_type.h"
#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"

namespace tavlin {

namespace {

// The interface that marks each walk, in order of precedence for a class that implements more
// than one of them.
struct WalkMarker {
    Walk walk;
    jclass CJavaReflect::*marker;
};

constexpr WalkMarker kWalkMarkers[] = {
    {Walk::Iterable, &CJavaReflect::iterable_class},
    {Walk::Map, &CJavaReflect::map_class},
    {Walk::Iterator, &CJavaReflect::iterator_class},
    {Walk::Enumeration, &CJavaReflect::enumeration_class},
};

// The reflected public method `name` taking one int, or null (nothing pending) when there is none.
CLocalRef method_taking_int(JNIEnv *env, jclass klass, const char *name)
{
    jfieldID int_type = jni::get_static_field_id(env, java_reflect.integer_class, "TYPE", "Ljava/lang/Class;");
    const CLocalRef int_class = jni::get_static_field<jobject>(env, java_reflect.integer_class, int_type);
    const LocalRef<jobjectArray> parameters = jni::new_object_array(env, 1, java_reflect.class_class, int_class.get());
    const LocalRef<jstring> method_name = jni::new_string_utf(env, name);
    // Asked of the environment itself: NoSuchMethodException only says the class has none.
    CLocalRef method(env,
                     env->CallObjectMethod(klass, java_reflect.class_getMethod, method_name.get(), parameters.get()));
    if (env->ExceptionCheck()) env->ExceptionClear();
    return method;
}

}  // namespace

Walk walk_of_class(JNIEnv *env, jclass klass)
{
    for (const WalkMarker &row : kWalkMarkers)
        if (env->IsAssignableFrom(klass, java_reflect.*row.marker)) return row.walk;
    IndexedAccess access;
    return indexed_access_of(env, klass, access) ? Walk::Indexed : Walk::None;
}

bool indexed_access_of(JNIEnv *env, jclass klass, IndexedAccess &access)
{
    // Most classes have no getLength(): one failed lookup, once per class, settles it.
    access.length = env->GetMethodID(klass, "getLength", "()I");
    if (!access.length) {
        env->ExceptionClear();
        return false;
    }
    const CLocalRef item = method_taking_int(env, klass, "item");
    if (!item) return false;
    const CLocalRef returned = jni::call_method<jobject>(env, item.get(), java_reflect.method_getReturnType);
    if (JavaType(slash_class_name(env, returned.get()).c_str(), nullptr).is_primitive()) return false;
    access.item = jni::from_reflected_method(env, item.get());
    return access.item != nullptr;
}

}  // namespace tavlin
