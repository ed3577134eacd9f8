// The run-time class of a Java object, named in slash form ("java/lang/Integer", "[I").
#pragma once

#include <jni.h>

#include <string>

namespace tavlin {

// Asks the object itself (getClass, then getName). Throws TavlinEx* on a Java exception.
std::string java_class_name(JNIEnv *env, jobject object);

}  // namespace tavlin
