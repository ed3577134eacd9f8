// A Java long read from an automation double, the same for a long argument and for each
// element of a long[] made of a safe array. (The JNI entries of the primitive array types are
// javaref/jni_calls.h's.)
#pragma once

#include <jni.h>

namespace tavlin {

// Automation has no 64-bit integer for Java's `long`, so it travels as a double and comes
// back truncated toward zero; values a 64-bit integer cannot hold (NaN included) give its
// minimum, as the processor's own truncation does.
inline jlong double_to_long(jdouble value)
{
    constexpr jdouble kLimit = 9223372036854775808.0;  // 2^63
    if (!(value >= -kLimit && value < kLimit)) return static_cast<jlong>(1ULL << 63);
    return static_cast<jlong>(value);
}

}  // namespace tavlin
