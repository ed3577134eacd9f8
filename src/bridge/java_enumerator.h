// For Each over Java collections: a proxy whose object is an Iterable, a Map, an Iterator or
// an Enumeration answers DISPID_NEWENUM with an IEnumVARIANT that walks it. Elements come
// back converted as method results are; a Map gives its keys, as Scripting.Dictionary does.
#pragma once

#include <jni.h>

#include <cstdint>

#include "util/platform.h"

namespace tavlin {

// How For Each walks the objects of a class, decided once per class (see MethodTable).
enum class Walk : int8_t {
    None,         // not a collection: the class has no _NewEnum
    Iterable,     // a fresh iterator() for each walk
    Map,          // a fresh keySet().iterator() for each walk
    Iterator,     // the object itself, walked once
    Enumeration,  // the object itself, walked once
};

// The walk of `klass`'s objects. An Iterable that is also a Map walks as an Iterable: its own
// iterator() is what its author meant to be walked.
Walk walk_of_class(JNIEnv *env, jclass klass);

// Whether a client's name asks for the enumerator ("_NewEnum", in any case).
bool is_new_enum_name(const OLECHAR *name);

// Invoke of DISPID_NEWENUM on a proxy of `object`, walked as `walk` says: a new enumerator in
// `result` as VT_UNKNOWN (a method call and a property read alike, without arguments).
// Throws TavlinEx* (the Java collection refused an iterator) and std::bad_alloc.
HRESULT invoke_new_enum(JNIEnv *env, jobject object, Walk walk, WORD flags, const DISPPARAMS *params, VARIANT *result);

}  // namespace tavlin
