// A Java value that a method returned or a field held, as the automation value a client
// receives: each primitive type as its own VARTYPE (a long as a double, which every script
// engine reads), an object converted. Overloaded on the JNI type, so that each call or field
// family stores its value without a second look at the type.
#pragma once

#include <jni.h>

#include "util/platform.h"

namespace tavlin {

// The value into the result's member `slot`, which holds the automation type `type`.
template <class Slot, class Value> void store_as(VARIANT *result, VARTYPE type, Slot &slot, Value value)
{
    result->vt = type;
    slot = static_cast<Slot>(value);
}

inline void store_java_value(jboolean value, VARIANT *result)
{
    store_as(result, VT_BOOL, result->boolVal, value ? VARIANT_TRUE : VARIANT_FALSE);
}
inline void store_java_value(jbyte value, VARIANT *result) { store_as(result, VT_I1, result->cVal, value); }
inline void store_java_value(jchar value, VARIANT *result) { store_as(result, VT_UI2, result->uiVal, value); }
inline void store_java_value(jshort value, VARIANT *result) { store_as(result, VT_I2, result->iVal, value); }
inline void store_java_value(jint value, VARIANT *result) { store_as(result, VT_I4, result->lVal, value); }
inline void store_java_value(jlong value, VARIANT *result) { store_as(result, VT_R8, result->dblVal, value); }
inline void store_java_value(jfloat value, VARIANT *result) { store_as(result, VT_R4, result->fltVal, value); }
inline void store_java_value(jdouble value, VARIANT *result) { store_as(result, VT_R8, result->dblVal, value); }

// An object (a local reference, deleted on every path) into `result`, which may be null when
// the client wants no result. Null leaves the result empty, except that a member declared as
// an array gives an empty array in compatibility mode. Throws TavlinEx*.
void store_java_object(JNIEnv *env, jobject object, bool declared_array, VARIANT *result);

}  // namespace tavlin
