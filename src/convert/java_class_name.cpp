#include "convert/java_class_name.h"

#include <algorithm>

#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"

namespace tavlin {

std::string slash_form(std::string dotted)
{
    std::replace(dotted.begin(), dotted.end(), '.', '/');
    return dotted;
}

std::string slash_class_name(JNIEnv *env, jobject klass)
{
    const LocalRef<jstring> name = jni::call_method<jstring>(env, klass, java_reflect.class_getName);
    return slash_form(jni::utf8_string(env, name.get()));
}

std::string java_class_name(JNIEnv *env, jobject object)
{
    const LocalRef<jclass> klass = jni::call_method<jclass>(env, object, java_reflect.object_getClass);
    return slash_class_name(env, klass.get());
}

}  // namespace tavlin
