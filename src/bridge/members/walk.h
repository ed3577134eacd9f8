// Walk: how For Each walks a class's objects, part of what a class's method table records.
#pragma once

#include <jni.h>

#include <cstdint>

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

}  // namespace tavlin
