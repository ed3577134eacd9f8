// Client threads and the VM: a thread that the VM does not know is attached the first time it
// calls, and stays attached until it ends, so that every later call costs no more than the JNI
// call under it. Threads that the host attached itself are never detached by the bridge.
#pragma once

#include <jni.h>

#include "javaref/local_ref.h"

namespace tavlin {

// The calling thread's JNI environment on `vm`. A thread the VM does not know is attached
// for good: as a daemon thread (it never keeps the VM from ending) named "tavlin client" and
// its system id, with the system class loader as its context class loader (as the Java
// launcher gives its main thread), and detached when it ends. Throws TavlinEx*.
JNIEnv *client_thread_env(JavaVM *vm);

// ClassLoader.getSystemClassLoader(). Throws TavlinEx*.
CLocalRef system_class_loader(JNIEnv *env);

// Whether the bridge attached the calling thread (so that it, and no Java frame of a host, is
// the bottom of the thread's stack).
bool attached_by_bridge();

}  // namespace tavlin
