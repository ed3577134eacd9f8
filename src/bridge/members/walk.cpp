#include "bridge/members/walk.h"

#include "javaref/java_reflect.h"

namespace tavlin {

namespace {

// The interface that marks each walk, in order of precedence for a class that implements more
// than one of them.
struct WalkMarker {
    Walk walk;
    jclass CJavaReflect::*marker;
};

constexpr WalkMarker kWalkMarkers[] = {
    {Walk::Iterable, &CJavaReflect::iterable_class},
    {Walk::Map, &CJavaReflect::map_class},
    {Walk::Iterator, &CJavaReflect::iterator_class},
    {Walk::Enumeration, &CJavaReflect::enumeration_class},
};

}  // namespace

Walk walk_of_class(JNIEnv *env, jclass klass)
{
    for (const WalkMarker &row : kWalkMarkers)
        if (env->IsAssignableFrom(klass, java_reflect.*row.marker)) return row.walk;
    return Walk::None;
}

}  // namespace tavlin
