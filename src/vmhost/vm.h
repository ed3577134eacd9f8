// The one Java VM of the process: start-up or adoption on first use, and the calling
// thread's environment.
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

// Starts or adopts the VM if needed, then gives the calling thread's JNI environment,
// attaching the thread for good if the VM does not know it (see client_thread.h).
// Throws TavlinEx*.
JNIEnv *get_env();

// The calling thread's JNI environment, attaching the thread for good if the VM does not know
// it. Never starts the VM: a proxy exists only once newInstance has. Throws TavlinEx*.
class CThreadAttach {
public:
    CThreadAttach();
    CThreadAttach(const CThreadAttach &) = delete;
    CThreadAttach &operator=(const CThreadAttach &) = delete;

    JNIEnv *env() const { return env_; }

private:
    JNIEnv *env_ = nullptr;
};

// The VM's console-output hook for the "vfprintf" option: swallows the text.
jint JNICALL vfprintf_hook(FILE *stream, const char *format, va_list args);

}  // namespace tavlin
