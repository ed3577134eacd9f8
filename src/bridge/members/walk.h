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
    Indexed,      // the object itself by position, getLength() and item(int): a DOM NodeList
};

// The walk of `klass`'s objects. An Iterable that is also a Map walks as an Iterable: its own
// iterator() is what its author meant to be walked; a class of none of the collection
// interfaces walks by position where it has both methods for it.
Walk walk_of_class(JNIEnv *env, jclass klass);

// The public methods that walk a class by position.
struct IndexedAccess {
    jmethodID length = nullptr;  // int getLength()
    jmethodID item = nullptr;    // an object item(int)
};

// The class's getLength() and item(int), or false (and nothing pending) when it lacks either.
// Throws TavlinEx* when reflection itself fails.
bool indexed_access_of(JNIEnv *env, jclass klass, IndexedAccess &access);

}  // namespace tavlin
