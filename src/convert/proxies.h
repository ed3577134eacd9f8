// What the conversions do with the bridge's proxies: wrap a Java object in a new one (a Java
// object result), recognise one handed back (an object argument), and put any other
// automation object behind a functional interface (a script's function for a Comparator). Declared here so
// that the conversions need not know the proxy class; the bridge implements them beside it.
#pragma once

#include <jni.h>

#include "util/platform.h"

namespace tavlin {

// Whether `object` is one of this bridge's own proxies, and if so the Java object it wraps
// (null for a proxy made through its class object, which wraps nothing). The reference stays
// the proxy's, valid while the caller holds `object`. Any other automation object, a proxy
// marshalled from another apartment included, is not one, whatever interfaces it answers.
bool is_own_proxy(IDispatch *object, jobject &java_object);

// Wraps a Java object in a new proxy: a new global reference to `object` (a local reference
// that stays the caller's), the class name in slash form. Returns the proxy's IDispatch with
// one reference. Throws TavlinEx* when memory is short.
IDispatch *new_proxy(JNIEnv *env, jobject object, const char *class_name);

// Whether `klass` is a functional interface: an interface with exactly one abstract method
// besides those matching a public method of Object. Throws TavlinEx*.
bool is_functional_interface(JNIEnv *env, jclass klass);

// A new Java object (a local reference) implementing the functional interface
// `interface_class` by calling `object`, as ITavlinUtil2::implement makes it. Throws TavlinEx*.
jobject new_callback(JNIEnv *env, jclass interface_class, IDispatch *object);

}  // namespace tavlin
