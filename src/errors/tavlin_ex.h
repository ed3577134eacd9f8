// TavlinEx: the bridge's one error type. Thrown by pointer (`throw new TavlinEx(...)`);
// whoever catches it deletes it (see take_error below).
#pragma once

#include <jni.h>

#include <memory>
#include <utility>

#include "util/platform.h"

namespace tavlin {

class TavlinEx {
public:
    // A fixed message of the bridge (UTF-8); no source.
    explicit TavlinEx(const char *description);
    // Either text may be null (absent).
    TavlinEx(const char *description, const char *source);
    // Texts already in UTF-16, kept with their full length (a Java message may hold U+0000).
    TavlinEx(const OLECHAR *description, size_t description_length, const OLECHAR *source, size_t source_length);

    TavlinEx(const TavlinEx &) = delete;
    TavlinEx &operator=(const TavlinEx &) = delete;

    const OLECHAR *description() const { return has_description_ ? description_.c_str() : nullptr; }
    const OLECHAR *source() const { return has_source_ ? source_.c_str() : nullptr; }
    // Lengths in UTF-16 units, embedded U+0000 included.
    size_t description_length() const { return description_.size(); }
    size_t source_length() const { return source_.size(); }

    // The Java exception's class name ("java.lang.IllegalStateException") when the error is
    // one, else empty.
    const OleString &java_class() const { return java_class_; }
    // The Java exception as Java prints it: its class name, then ": " and its message when it
    // has one. Empty when the error is no Java exception.
    OleString java_text() const;
    // Set by the exception capture on the error it makes of a Java exception.
    void set_java_origin(OleString class_name, bool has_message)
    {
        java_class_ = std::move(class_name);
        has_java_message_ = has_message;
    }

    // A failure of the VM itself (a VirtualMachineError: its stack or memory spent), or a Java
    // exception that could not even be described: the whole call fails with it, where other
    // failures may only rule out one overload of several.
    bool ends_the_call() const { return ends_the_call_; }
    void set_ends_the_call() { ends_the_call_ = true; }

    // Turns a pending Java exception into a thrown TavlinEx (and clears it); returns at once,
    // after one JNI call, when none is pending. Defined with the Java exception capture
    // (javaref/java_exception.cpp), which needs the reflection cache. The checked JNI calls
    // (javaref/jni_calls.h) make it after every call that can leave an exception pending.
    static void check_exception(JNIEnv *env);

    // printf-style fixed message.
    [[noreturn]] static void raise(const char *format, ...) __attribute__((format(printf, 1, 2)));
    // A failed COM call's message: "what: 0x8000FFFF".
    [[noreturn]] static void raise_status(const char *what, HRESULT status);

private:
    OleString java_class_;
    bool has_java_message_ = false;
    OleString description_;
    OleString source_;
    bool has_description_ = false;
    bool has_source_ = false;
    bool ends_the_call_ = false;
};

// Owns a caught error pointer for the rest of a catch block.
using TavlinExPtr = std::unique_ptr<TavlinEx>;

}  // namespace tavlin
