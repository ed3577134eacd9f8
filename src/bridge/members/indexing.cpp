#include "bridge/members/indexing.h"

#include "javaref/java_reflect.h"

namespace tavlin {

// A class both (rare) is reached as the Map it is: by key.
Indexing indexing_of_class(JNIEnv *env, jclass klass)
{
    if (env->IsAssignableFrom(klass, java_reflect.map_class)) return Indexing::ByKey;
    if (env->IsAssignableFrom(klass, java_reflect.list_class)) return Indexing::ByPosition;
    return Indexing::None;
}

}  // namespace tavlin
