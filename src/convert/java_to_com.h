// Java object to automation value, and Java arrays to safe arrays.
#pragma once

#include <jni.h>

#include "util/platform.h"

namespace tavlin {

// Converts a non-null object into `result` (initialised, empty) and deletes the local
// reference `object` on every path. Throws TavlinEx*.
void convert_java_to_com(JNIEnv *env, jobject object, VARIANT *result);

// Converts a Java array whose slash-form class name is `class_name` ("[I", "[[D",
// "[Ljava/lang/String;") into a new safe array in `result`. The array's local reference
// stays the caller's. Throws TavlinEx*.
void convert_java_array_to_com_array(JNIEnv *env, jobject array, VARIANT *result, const char *class_name);

}  // namespace tavlin
