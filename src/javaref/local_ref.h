// The holders of what a thread's JNI environment hands out, of the UniqueHandle family (see
// util/unique_handle.h): LocalRef, a local reference, and UtfChars, a Java string's characters
// in modified UTF-8. A local reference belongs to the environment that made it, so each
// holder keeps that environment to give its resource back.
#pragma once

#include <jni.h>

#include "util/unique_handle.h"

namespace tavlin {

template <class T> struct LocalRefDeleter {
    using Handle = T;
    JNIEnv *env = nullptr;
    void close(T ref) const noexcept { env->DeleteLocalRef(ref); }
};

// LocalRef: sole owner of one local reference, typed as the JNI type it holds (jclass,
// jstring, jobjectArray...), so that no caller casts what it knows.
template <class T = jobject> class LocalRef : public UniqueHandle<LocalRefDeleter<T>> {
public:
    LocalRef(JNIEnv *env, T ref) noexcept : UniqueHandle<LocalRefDeleter<T>>(ref, LocalRefDeleter<T>{env}) {}

    template <class As> As as() const noexcept { return static_cast<As>(this->get()); }
};

// CLocalRef: a local reference of any type.
using CLocalRef = LocalRef<jobject>;

struct UtfCharsRelease {
    using Handle = const char *;
    JNIEnv *env = nullptr;
    jstring string = nullptr;  // the string the characters were read from, which must outlive them
    void close(const char *chars) const noexcept { env->ReleaseStringUTFChars(string, chars); }
};

// UtfChars: sole owner of the characters that GetStringUTFChars read from one string
// (jni::utf_chars reads them, checked).
using UtfChars = UniqueHandle<UtfCharsRelease>;

}  // namespace tavlin
