#include "convert/array_nesting.h"

#include "errors/tavlin_ex.h"

namespace tavlin {

namespace {
// Levels being converted on this thread, across every conversion that nests in another.
thread_local int levels = 0;
}  // namespace

ArrayNestingLevel::ArrayNestingLevel()
{
    if (levels == kMaxArrayNesting) TavlinEx::raise("Array nested deeper than %d levels.", kMaxArrayNesting);
    ++levels;
}

ArrayNestingLevel::~ArrayNestingLevel() { --levels; }

}  // namespace tavlin
