// Makes one JNI call fail as if Java had thrown: calls of one method on one receiver throw a
// java.lang.Error("injected fault") for as long as the holder lives. For paths whose Java
// failures no input can bring about (reflection facts that are read once and never fail but
// for a VM out of memory).
#pragma once

#include <jni.h>

namespace tavlin_test {

class JniFault {
public:
    // Calls of `method` on `receiver` through CallObjectMethod(V) fail while this lives.
    JniFault(JNIEnv *env, jobject receiver, jmethodID method);
    ~JniFault();
    JniFault(const JniFault &) = delete;
    JniFault &operator=(const JniFault &) = delete;

    // How many calls failed so far.
    int failures() const;
};

}  // namespace tavlin_test
