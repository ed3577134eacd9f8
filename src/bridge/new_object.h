// What newObject and statics do below the COM boundary, where their errors are still
// TavlinEx* with their texts.
#pragma once

#include <jni.h>

#include "bridge/overload_choice.h"
#include "util/platform.h"

namespace tavlin {

// A proxy for a new object of the named class, made by the public constructor that takes
// the arguments, chosen as a proxy's call chooses among overloads. Throws TavlinEx*.
IDispatch *construct_with_arguments(JNIEnv *env, BSTR classname, const CallArguments &arguments);

// A class proxy for the named class: its static methods callable, nothing constructed.
// Throws TavlinEx*.
IDispatch *proxy_for_class(JNIEnv *env, BSTR classname);

}  // namespace tavlin
