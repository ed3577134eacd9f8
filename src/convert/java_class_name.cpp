#include "convert/java_class_name.h"

#include <algorithm>

#include "errors/tavlin_ex.h"
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
    CLocalRef name(env, env->CallObjectMethod(klass, java_reflect.class_getName));
    TavlinEx::check_exception(env);
    return slash_form(jni::utf8_string(env, name.as<jstring>()));
}

std::string java_class_name(JNIEnv *env, jobject object)
{
    CLocalRef klass(env, env->CallObjectMethod(object, java_reflect.object_getClass));
    TavlinEx::check_exception(env);
    return slash_class_name(env, klass.get());
}

}  // namespace tavlin
