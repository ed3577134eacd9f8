// The run-time class of a Java object, named in slash form ("java/lang/Integer", "[I").
#pragma once

#include <jni.h>

#include <string>

namespace tavlin {

// A class name with every "." replaced by "/" ("java.lang.String" gives "java/lang/String";
// primitive keywords and array descriptors keep their form).
std::string slash_form(std::string dotted);

// getName of a java.lang.Class, in slash form. Throws TavlinEx* on a Java exception.
std::string slash_class_name(JNIEnv *env, jobject klass);

// Asks the object itself (getClass, then getName). Throws TavlinEx* on a Java exception.
std::string java_class_name(JNIEnv *env, jobject object);

}  // namespace tavlin
