// Text between automation and Java. Both sides speak UTF-16, so the code units cross as they
// are: characters outside the Basic Multilingual Plane and embedded U+0000 survive, which the
// VM's modified UTF-8 would mangle.
#pragma once

#include <jni.h>

#include "javaref/local_ref.h"
#include "util/platform.h"

namespace tavlin {

// A new Java string of the whole BSTR (empty for a null BSTR). Throws TavlinEx*.
LocalRef<jstring> new_java_string(JNIEnv *env, BSTR text);

// A new BSTR of the whole Java string (a valid empty BSTR for ""). Throws TavlinEx*.
BSTR new_bstr(JNIEnv *env, jstring string);

}  // namespace tavlin
