// CLocalRef: owns one JNI local reference and, on request, its string characters.
#pragma once

#include <jni.h>

namespace tavlin {

class CLocalRef {
public:
    CLocalRef(JNIEnv *env, jobject ref) noexcept : env_(env), ref_(ref) {}
    ~CLocalRef();
    CLocalRef(const CLocalRef &) = delete;
    CLocalRef &operator=(const CLocalRef &) = delete;

    jobject get() const noexcept { return ref_; }
    template <class T> T as() const noexcept { return static_cast<T>(ref_); }
    explicit operator bool() const noexcept { return ref_ != nullptr; }

    // The string's characters in JNI's modified UTF-8, taken once and released with the
    // holder; null for a null reference.
    const char *utf_chars();

    // Gives the reference up to the caller, who deletes it.
    jobject release() noexcept;

private:
    JNIEnv *env_;
    jobject ref_;
    const char *chars_ = nullptr;
};

}  // namespace tavlin
