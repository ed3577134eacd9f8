// What newObject, statics and implement do below the COM boundary, where their errors are still
// TavlinEx* with their texts.
#pragma once

#include <jni.h>

#include "bridge/com_boundary.h"
#include "bridge/overload_choice.h"
#include "util/platform.h"

namespace tavlin {

// Through the function table there is no EXCEPINFO: every bridge error is E_FAIL (see
// tavlin.idl).
extern const FailureCodes kUtilityFailures;

// A proxy for a new object of the named class, made by the public constructor that takes
// the arguments, chosen as a proxy's call chooses among overloads. Throws TavlinEx*.
IDispatch *construct_with_arguments(JNIEnv *env, BSTR classname, const CallArguments &arguments);

// A class proxy for the named class: its static methods callable, nothing constructed.
// Throws TavlinEx*.
IDispatch *proxy_for_class(JNIEnv *env, BSTR classname);

// A proxy for a new Java object that implements the interfaces named in `interface_names`
// (comma-separated) by calling `object`. Throws TavlinEx*.
IDispatch *implement_interfaces(JNIEnv *env, BSTR interface_names, IDispatch *object);

}  // namespace tavlin
