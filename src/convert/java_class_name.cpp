#include "convert/java_class_name.h"

#include <algorithm>

#include "javaref/java_reflect.h"
#include "javaref/local_ref.h"
#include "javaref/tavlin_ex.h"

namespace tavlin {

std::string java_class_name(JNIEnv *env, jobject object)
{
    CLocalRef klass(env, env->CallObjectMethod(object, java_reflect.object_getClass));
    TavlinEx::check_exception(env);
    CLocalRef name(env, env->CallObjectMethod(klass.get(), java_reflect.class_getName));
    TavlinEx::check_exception(env);
    const char *chars = name.utf_chars();
    TavlinEx::check_exception(env);
    std::string slash_name(chars ? chars : "");
    std::replace(slash_name.begin(), slash_name.end(), '.', '/');
    return slash_name;
}

}  // namespace tavlin
