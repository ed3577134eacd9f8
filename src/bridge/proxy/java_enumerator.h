// For Each over Java collections: a proxy whose object is an Iterable, a Map, an Iterator or
// an Enumeration answers DISPID_NEWENUM with an IEnumVARIANT that walks it. Elements come
// back converted as method results are; a Map gives its keys, as Scripting.Dictionary does.
#pragma once

#include <jni.h>

#include "bridge/members/walk.h"
#include "util/platform.h"

namespace tavlin {

// Whether a client's name asks for the enumerator ("_NewEnum", in any case).
bool is_new_enum_name(const OLECHAR *name);

// Invoke of DISPID_NEWENUM on a proxy of `object`, walked as `walk` says: a new enumerator in
// `result` as VT_UNKNOWN (a method call and a property read alike, without arguments).
// Throws TavlinEx* (the Java collection refused an iterator) and std::bad_alloc.
HRESULT invoke_new_enum(JNIEnv *env, jobject object, Walk walk, WORD flags, const DISPPARAMS *params, VARIANT *result);

}  // namespace tavlin
