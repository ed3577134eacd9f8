// implement: an automation object behind Java interfaces, as ITavlinUtil2::implement makes it.
#pragma once

#include <jni.h>

#include "util/platform.h"

namespace tavlin {

// A proxy for a new Java object that implements the interfaces named in `interface_names`
// (comma-separated) by calling `object`. Throws TavlinEx*.
IDispatch *implement_interfaces(JNIEnv *env, BSTR interface_names, IDispatch *object);

}  // namespace tavlin
