// The Java half of script callbacks: the class tavlin.bridge.ScriptCallback, whose bytes the
// library carries (compiled from bridge/callbacks/java at build time). It is defined into the system
// class loader on first use and its natives registered: `call`, which calls the automation
// object, and `release`, which lets go of it when the Java proxy is collected.
#pragma once

#include <jni.h>

#include "util/platform.h"

namespace tavlin {

// A new Java proxy (a local reference) implementing `interfaces` (a Class[] of interfaces)
// whose every interface method calls `object`, which it holds one reference on until the
// proxy is collected. Throws TavlinEx*.
jobject make_callback(JNIEnv *env, jobjectArray interfaces, IDispatch *object, bool functional);

}  // namespace tavlin
