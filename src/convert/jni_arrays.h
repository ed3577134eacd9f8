// The JNI entries of one primitive array type, chosen by element type, so that the row
// copies in both directions are written once for all eight Java primitive types.
#pragma once

#include <jni.h>

namespace tavlin {

template <class Element> struct JniArray;

#define TAVLIN_JNI_ARRAY(Element, Name)                                                                                \
    template <> struct JniArray<Element> {                                                                             \
        using Array = Element##Array;                                                                                  \
        static jarray create(JNIEnv *env, jsize length) { return env->New##Name##Array(length); }                      \
        static void write(JNIEnv *env, jarray array, jsize length, const Element *from)                                \
        {                                                                                                              \
            env->Set##Name##ArrayRegion(static_cast<Array>(array), 0, length, from);                                   \
        }                                                                                                              \
        static void read(JNIEnv *env, jarray array, jsize length, Element *to)                                         \
        {                                                                                                              \
            env->Get##Name##ArrayRegion(static_cast<Array>(array), 0, length, to);                                     \
        }                                                                                                              \
    }

TAVLIN_JNI_ARRAY(jboolean, Boolean);
TAVLIN_JNI_ARRAY(jbyte, Byte);
TAVLIN_JNI_ARRAY(jchar, Char);
TAVLIN_JNI_ARRAY(jshort, Short);
TAVLIN_JNI_ARRAY(jint, Int);
TAVLIN_JNI_ARRAY(jlong, Long);
TAVLIN_JNI_ARRAY(jfloat, Float);
TAVLIN_JNI_ARRAY(jdouble, Double);

#undef TAVLIN_JNI_ARRAY

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
