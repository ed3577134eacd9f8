// How deep array conversions may recurse. Arrays inside arrays convert one level per array,
// in both directions, and no Java method runs per level, so the VM never gets the chance to
// stop a runaway with StackOverflowError: the depth is a claim of the client's or of Java's
// (a script's array or a Java Object[] can even hold itself) and is checked here instead.
#pragma once

namespace tavlin {

// A Java array type has at most 255 dimensions; no conversion goes deeper than that.
constexpr int kMaxArrayNesting = 255;

// One level of array conversion on the calling thread, held while the level converts.
// Throws TavlinEx* when the thread already converts kMaxArrayNesting levels.
class ArrayNestingLevel {
public:
    ArrayNestingLevel();
    ~ArrayNestingLevel();
    ArrayNestingLevel(const ArrayNestingLevel &) = delete;
    ArrayNestingLevel &operator=(const ArrayNestingLevel &) = delete;
};

}  // namespace tavlin
