// Indexing: how a client's default member with arguments, and `Item`, reach a collection's
// elements, as Scripting.Dictionary and VBA's collections are used: `m("key")` and
// `m("key") = v` on a Map are its get and put, `list(0)` and `list(0) = v` on a List its get
// and set. Part of what a class's method table records.
#pragma once

#include <jni.h>

#include <cstdint>

namespace tavlin {

enum class Indexing : int8_t {
    None,        // no default member with arguments
    ByKey,       // a java.util.Map
    ByPosition,  // a java.util.List
};

Indexing indexing_of_class(JNIEnv *env, jclass klass);

}  // namespace tavlin
