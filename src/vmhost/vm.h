// The one Java VM of the process: start-up or adoption on first use, and the two thread
// attachment disciplines.
#pragma once

#include <jni.h>

#include <cstdarg>
#include <cstdio>

namespace tavlin {

// TAVLIN1_COMPATIBLE, read at each start-up attempt.
bool compatibility_mode();

// The process's VM, or null before start-up.
JavaVM *java_vm();

// Start-up lock lifetime, tied to the library's load and unload.
void init_startup_lock();
void delete_startup_lock();

// Starts or adopts the VM if needed, then attaches the calling thread (always).
// Throws TavlinEx*.
JNIEnv *get_env();
// Detaches the calling thread whether or not get_env attached it. Throws TavlinEx*.
void detach_thread();

// Attaches the calling thread unless it is attached already, and detaches only what it
// attached. Never starts the VM. Construction throws TavlinEx*; the destructor never throws:
// callers that must hear of a failed detach end the holder with detach() instead.
class CThreadAttach {
public:
    CThreadAttach();
    ~CThreadAttach();
    CThreadAttach(const CThreadAttach &) = delete;
    CThreadAttach &operator=(const CThreadAttach &) = delete;

    JNIEnv *env() const { return env_; }
    // Detaches now, if this holder attached; throws TavlinEx* "DetachCurrentThread failed."
    // when the VM refuses.
    void detach();

private:
    JNIEnv *env_ = nullptr;
    bool attached_ = false;
};

// The VM's console-output hook for the "vfprintf" option: swallows the text.
jint JNICALL vfprintf_hook(FILE *stream, const char *format, va_list args);

}  // namespace tavlin
